// The article item editor in the browser: a new item made in the four
// steps against the sample remote site (served by the demo host), with the
// source views on and the trial run, which stores nothing and keeps remote
// scripts out of the admin page; a run started from the last step; the
// item saved through every step without changes; clone, delete, cache
// clearing and the base settings.
import assert from 'node:assert/strict';
import { after, before, test } from 'node:test';

import {
  assertHostileInert, assertSetUpDone, assertTrial, baseUrl, channel, clearCache, clickInView,
  cloneAndDelete, demo, fillForm, hostileMarkup, openAdminPage, openNewItem, query, saveSettings,
  saveStepsUnchanged, sendCodes, sendNewItem, submit, writeSitePages,
} from './browser.mjs';

const article = channel('article');
const adminPage = article.page;
const itemName = '编辑器测试：本地新闻';

let admin;
let page;
let itemId = 0;

before(async () => {
  ({ page } = admin = await openAdminPage());
});

after(() => admin?.close());

// The answers the next prompts take, in turn.
function answer(...texts) {
  admin.answers = texts;
}

test('step 1 makes a new item with its rule lists', async () => {
  assert.ok(demo.remote, 'the demo host serves the sample remote site');
  await openNewItem(page, article);
  assert.equal(await page.isVisible('#RetuneClassID'), false);
  await fillForm(page, { ItemName: itemName, SiteUrl: `${demo.remote}/`, ClassID: '2', selEncoding: 'UTF-8' });
  assert.equal(await page.inputValue('input[name=Encoding]'), 'UTF-8');
  await fillForm(page, { selEncoding: 'GB2312', AutoClass: '1' });
  assert.equal(await page.isVisible('#RetuneClassID'), true);

  answer('国内新闻', '国内');
  await page.click('input[name=addclass]');
  answer('本地|', 'x'); // a "|" inside a rule is refused
  await page.click('input[name=addclass]');
  assert.match(admin.dialogs.at(-1), /不能含有/);
  answer('演示', '示范');
  await page.click('input[name=addreplace]');
  answer('版权', '版 权');
  await page.click('input[name=addreplace]');
  await page.selectOption('select[name=strReplace]', '版权|版 权');
  answer('版权所有', '');
  await page.click('input[name=modifyreplace]');
  assert.deepEqual(
    await page.$$eval('select[name=strReplace] option', (options) => options.map((o) => o.value)),
    ['演示|示范', '版权所有|'],
  );
  // Back to the item's own class: the rule list stays, the row hides.
  await page.check('input[name=AutoClass][value="0"]');
  assert.equal(await page.isVisible('#RetuneClassID'), false);

  const row = await sendNewItem(page, article, itemName, { RemoteListUrl: `${demo.remote}/list_1.html` });
  itemId = row.ItemID;
  assert.equal(row.RetuneClass, '国内新闻|国内');
  assert.equal(row.strReplace, '演示|示范$$$版权所有|');
  assert.equal(row.RemoveCode, '1|1|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0');
});

test('step 2 shows the list page source and takes the list codes', async (t) => {
  assert.equal(await page.isVisible('#soucodeid'), true);
  const source = await page.inputValue('#content');
  assert.match(source, /<ul class="newslist">/);
  await page.check('input[name=soucode][value="0"]');
  assert.equal(await page.isVisible('#soucodeid'), false);
  await page.check('input[name=soucode][value="1"]');
  if (await page.evaluate(() => typeof admin_Size === 'function')) {
    // A javascript: link runs as a queued navigation task, after click()
    // has returned: wait for its effect instead of reading it at once.
    await page.click('a[href="javascript:admin_Size(20,\'content\')"]');
    await page.waitForFunction(() => document.getElementById('content').rows === 40);
    await page.click('a[href="javascript:admin_Size(-20,\'content\')"]');
    await page.waitForFunction(() => document.getElementById('content').rows === 20);
  } else {
    t.diagnostic('admin_Size is not loaded by the admin page (include/admin.js)');
  }
  await page.check('input[name=ShowCode]');
  const listCodes = ['<ul class="newslist">', '</ul>', '<li><a href="', '"'];
  const stored = await sendCodes(page, article, itemId, 'FindListCode', listCodes);
  assert.deepEqual(stored, [...listCodes, ...Array(8).fill('0')]);
});

test('step 3 shows the first article source and takes the article codes', async () => {
  assert.match(await page.inputValue('#content'), /城区新增三处便民服务中心/);
  assert.equal(await page.isVisible('#InfoCode8'), false);
  const codes = {
    0: '<h1 class="title">',
    1: '</h1>',
    2: '<!--content begin-->',
    3: '<!--content end-->',
    18: '（本文由演示新闻网提供）',
  };
  await page.check('input[name=selfont8][value="1"]');
  assert.equal(await page.isVisible('#InfoCode8'), true);
  Object.assign(codes, { 8: '<span class="author">', 9: '</span>' });
  await page.check('input[name=selfont10][value="1"]');
  Object.assign(codes, { 10: '<span class="source">', 11: '</span>' });
  await page.check('input[name=selfont12][value="1"]');
  Object.assign(codes, { 12: '<span class="date">', 13: '</span>' });
  await page.check('input[name=IsNextPage][value="1"]');
  assert.equal(await page.isVisible('#InfoCode14'), true);
  Object.assign(codes, { 14: '<div class="pages">', 15: '</div>', 16: '<a href="', 17: '"' });
  await page.check('input[name=selfont18][value="1"]');
  await page.check('input[name=ShowCode]');
  const before = article.entryCount();
  assert.equal((await sendCodes(page, article, itemId, 'FindInfoCode', codes)).length, 36);

  // The trial run of the first listed article.
  const heads = [/文章标题：城区新增三处便民服务中心/, /文章作者：刘洋/, /文章来源：示范新闻网/];
  const date = /更新时间：2024-3-30 16:00:00/;
  const shown = await assertTrial(page, [...heads, date], [/可办理社保、户籍等六十多项业务/]);
  assert.ok(!shown.includes('（本文由演示新闻网提供）'), 'the filter string was applied');
  assert.equal(article.entryCount(), before);
  assert.equal(article.item(itemId).IsNextPage, 1);
  assert.deepEqual(admin.pageErrors, []);
});

test('a trial of a paged article and one of a hostile page store nothing', async () => {
  const row = article.item(itemId);
  // A page of this site that tries to act in the admin page.
  writeSitePages('e2e_remote', {
    'hostile.html':
      '<html><body><h1 class="title">Hostile page</h1><!--content begin-->' +
      `<p>Remote text</p>${hostileMarkup}` +
      '<a href="javascript:top.location=\'/\'">x</a><!--content end--></body></html>',
  });

  for (const [demoUrl, expected] of [
    [`${demo.remote}/news/news_10.html`, /此处是内容分页标签：\[page_break\]/],
    [`${baseUrl}/e2e_remote/hostile.html`, /Remote text/],
  ]) {
    await page.goto(`${adminPage}?action=step3&ChannelID=1&ItemID=${itemId}`);
    await page.fill('input[name=NamedDemourl]', demoUrl);
    await submit(page);
    await page.goto(`${adminPage}?action=demo&ChannelID=1&ItemID=${itemId}`);
    await assertTrial(page, [], [expected]);
  }
  await assertHostileInert(admin, article);
  const after = article.item(itemId);
  assert.equal(after.NamedDemourl, `${baseUrl}/e2e_remote/hostile.html`);
  assert.equal(after.FindInfoCode, row.FindInfoCode);
  assert.equal(after.lastime, row.lastime);

  // Back to the first listed article for the run.
  await page.goto(`${adminPage}?action=step3&ChannelID=1&ItemID=${itemId}`);
  await page.fill('input[name=NamedDemourl]', '');
  await submit(page);
  await assertSetUpDone(page);
});

test('the last step starts a run that stores the articles', async () => {
  await page.goto(`${adminPage}?action=demo&ChannelID=1&ItemID=${itemId}`);
  // The button lies below the fold, under the trial's frame.
  await Promise.all([page.waitForURL(/action=begin/), clickInView(page, 'input[name=B32]')]);
  await page.waitForURL(/action=yes/, { timeout: 120_000 });
  assert.match(await page.textContent('b.style2'), /成功采集文章 \d+ 个/);
  const titles = query(article.hostDb, 'SELECT title FROM QX_Article').map((r) => r.title);
  assert.ok(titles.includes('城区新增三处便民服务中心'), titles.join(','));
});

test('saving every step without changes keeps every column', async () => {
  await saveStepsUnchanged(admin, article, itemId, itemName);
});

test('an item is cloned under its own name and the clone deleted', async () => {
  await cloneAndDelete(admin, article, itemId, itemName);
});

test('the cache is cleared name by name', async () => {
  await clearCache(page, article);
});

test('the base settings refuse what is unsafe and store the rest', async () => {
  const settings = () => query(article.gatherDb, 'SELECT * FROM QX_NewsConfig WHERE id = 1')[0];
  const before = settings();
  for (const [size, ext, message] of [
    ['2097152', 'gif|jpg', /2097151/],
    ['100', 'gif|asp', /asp/],
    ['100', 'gif|.jpg', /字母和数字/],
  ]) {
    await saveSettings(page, article, { MaxPicSize: size, AllowPicExt: ext });
    assert.match(admin.dialogs.at(-1), message);
    assert.deepEqual(settings(), before);
  }
  const fields = { RepeatDeal: '2', MaxPicSize: '800', AllowPicExt: ' gif|jpg|png ', setInterval: '500' };
  await saveSettings(page, article, fields);
  assert.equal(admin.dialogs.at(-1), '保存采集基本设置成功!');
  assert.deepEqual(settings(), {
    ...before,
    RepeatDeal: 2,
    MaxPicSize: 800,
    AllowPicExt: 'gif|jpg|png',
    setInterval: 500,
  });
  // The form shows the stored row at once.
  await page.reload();
  assert.equal(await page.inputValue('input[name=AllowPicExt]'), 'gif|jpg|png');
  assert.deepEqual(admin.pageErrors, []);
});
