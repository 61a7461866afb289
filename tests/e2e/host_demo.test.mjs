// The sample remote site of --demo and its ready gathering item: the site's
// GB2312 pages and pictures in the browser, the item in the item list, and a
// whole run of it driven by the pages' own scripts, from 采集 to the
// summary, leaving every article in QX_Article and every picture in the
// site's upload folder.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { after, before, test } from 'node:test';

import {
  assertRunSteps, channel, demo, logIn, openAdminPage, query, rawGet, runReadingList,
} from './browser.mjs';

const itemName = '演示站点：本地新闻';
const filterText = '（本文由演示新闻网提供）';
const gbk = new TextDecoder('gbk');
const article = channel('article', demo);

let admin;
let page;

before(async () => {
  ({ page } = admin = await openAdminPage(demo.url, { login: false }));
});

after(() => admin?.close());

// The titles of the remote list pages, newest first, as the lists show them.
async function remoteTitles() {
  const titles = [];
  for (const n of [1, 2, 3]) {
    const list = await rawGet(`/list_${n}.html`, demo.remote);
    assert.equal(list.status, 200);
    for (const match of gbk.decode(list.body).matchAll(/target="_blank">([^<]+)<\/a>/g)) {
      titles.push(match[1]);
    }
  }
  return titles;
}

test('the demo site shows its GB2312 list pages, articles and pictures', async () => {
  await page.goto(`${demo.remote}/`);
  assert.equal(new URL(page.url()).pathname, '/list_1.html');
  assert.equal(await page.title(), '本地新闻 第1页 - 演示新闻网');
  assert.equal(await page.evaluate(() => document.characterSet.toLowerCase()), 'gbk');
  assert.equal(await page.locator('ul.newslist li').count(), 4);

  await Promise.all([page.waitForNavigation(), page.click('text=下一页')]);
  assert.equal(new URL(page.url()).pathname, '/list_2.html');

  await page.goto(`${demo.remote}/news/news_05.html`);
  assert.equal((await page.textContent('h1.title')).trim(), '本地农产品展销会吸引众多市民');
  assert.equal((await page.textContent('span.author')).trim(), '陈静');
  const widths = await page.$$eval('div.content img', (images) => images.map((i) => i.naturalWidth));
  assert.equal(widths.length, 3);
  assert.ok(widths.every((w) => w > 0), `pictures not shown: ${widths}`);

  await page.goto(`${demo.remote}/news/news_07.html`);
  assert.deepEqual(
    await page.$$eval('div.pages a', (links) => links.map((a) => a.getAttribute('href'))),
    ['news_07_2.html', 'news_07_3.html', 'news_07_2.html'],
  );
  assert.deepEqual(admin.pageErrors, []);
});

test('the demo item stands in the item list, pointing at the demo site', async () => {
  await logIn(page, demo.url);
  const row = page.locator('tr', { hasText: itemName });
  assert.equal(await row.count(), 1);
  assert.equal(await row.locator(`a[href="${demo.remote}/"]`).count(), 1);
  assert.equal((await row.locator(`a[href="${demo.remote}/list_1.html"]`).textContent()).trim(), '国内');

  const [item] = query(
    article.gatherDb,
    `SELECT ChannelID, ClassID, IsDown, IsPagination, PaginalList FROM QX_NewsItem
     WHERE ItemName = '${itemName}'`,
  );
  assert.deepEqual(item, {
    ChannelID: 1,
    ClassID: 2,
    IsDown: 1,
    IsPagination: 1,
    PaginalList: `${demo.remote}/list_{$pageid}.html`,
  });
});

test('a run of the demo item stores every article with its pictures', async () => {
  const titles = await remoteTitles();
  assert.equal(titles.length, 12);

  // Every page of the run, in order, with what it wrote (the text the
  // browser decoded from the page's GB2312); from the 采集 link on only
  // the pages' own scripts move the browser on.
  const { steps } = await runReadingList(page, article, itemName);
  assertRunSteps(steps, 12);
  for (const step of steps.slice(1, 13)) {
    assert.match(step.body, /txt2\.innerHTML='恭喜您！采集成功'/, step.url.search);
  }
  assert.match(steps[13].body, /http-equiv="refresh"[^>]*action=yes/);
  const summary = await page.textContent('b.style2');
  assert.match(summary, /成功采集文章 12 个/);
  assert.deepEqual(admin.pageErrors, []);

  const rows = query(
    article.hostDb,
    `SELECT title, ChannelID, ClassID, Author, ComeFrom, WriteTime, content, BriefTopic, ImageUrl,
            UploadImage, username FROM QX_Article ORDER BY ArticleID`,
  );
  assert.deepEqual(
    rows.map((r) => r.title),
    titles,
  );
  const originals = fs
    .readdirSync(path.join(demo.files, 'images'))
    .map((name) => fs.readFileSync(path.join(demo.files, 'images', name)));
  let pictures = 0;
  for (const r of rows) {
    assert.equal(r.ChannelID, 1);
    assert.equal(r.ClassID, 2);
    assert.equal(r.username, 'admin');
    assert.match(r.Author, /^(张明|李华|王芳|赵强|陈静|刘洋)$/);
    assert.match(r.ComeFrom, /^演示(日报|晚报|新闻网)$/);
    assert.match(r.WriteTime, /^2024-0?3-/);
    assert.ok(!r.content.includes(filterText), `${r.title}: the filter text stayed`);
    assert.ok(!r.content.includes('class="pages"'), `${r.title}: the paging area stayed`);
    const sources = [...r.content.matchAll(/<img src="([^"]+)"/g)].map((m) => m[1]);
    for (const src of sources) {
      assert.match(src, /^\/article\/UploadPic\//, `${r.title}: ${src}`);
      const saved = fs.readFileSync(path.join(demo.siteFolder, src));
      assert.ok(
        originals.some((o) => o.equals(saved)),
        `${src} is not a whole copy of a demo picture`,
      );
    }
    pictures += sources.length;
    assert.equal(r.BriefTopic, sources.length === 0 ? 0 : sources.length >= 3 ? 2 : 1, r.title);
    if (sources.length > 0) assert.equal(`/article/${r.ImageUrl}`, sources[0]);
  }
  assert.equal(pictures, 8);
  const byTitle = Object.fromEntries(rows.map((r) => [r.title, r.content]));
  // Continuation pages joined: two of one page each, one of two.
  assert.equal(byTitle['春季植树活动在城郊举行'].split('[page_break]').length, 2);
  assert.equal(byTitle['社区食堂为老人提供优惠餐'].split('[page_break]').length, 2);
  assert.equal(byTitle['老城区改造工程进入第二阶段'].split('[page_break]').length, 3);
  assert.match(byTitle['老城区改造工程进入第二阶段'], /改造完成后，老城区将新增绿地一万平方米。/);

  const uploads = path.join(demo.siteFolder, 'article', 'UploadPic');
  const files = fs.readdirSync(uploads, { recursive: true }).filter((f) => /\.(jpg|png)$/.test(f));
  assert.equal(files.length, 8);
});
