// A whole Flash gathering run of the demo's Flash item in the browser,
// driven by the pages' own scripts: the link list with the thumbnails
// beside their links (never served), one savenew step per entry with its
// panel and the progress of its download, the files and thumbnails in the
// site, the rows in QX_FlashList, the summary; then test mode, which
// downloads and counts but stores nothing.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { after, before, test } from 'node:test';

import {
  assertPanels, assertRunSteps, channel, clearCache, demo, followRun, openAdminPage, query,
  runReadingList,
} from './browser.mjs';

const itemName = '演示站点：本地动画';
const flash = channel('flash', demo);
const titles = ['蓝色星空', '红色花园', '绿色草地', '城市夜景', '集市图片', '提示音'];

let admin;
let page;

before(async () => {
  ({ page } = admin = await openAdminPage(demo.url));
});

after(() => admin?.close());

test('a run of the demo Flash item downloads and stores every entry with its thumbnail', async () => {
  const { steps, panels, list } = await runReadingList(page, flash, itemName);

  // Each link with the picture beside it; the third has none on the list.
  const entry = (n) => `${demo.remote}/flash/flash_0${n}.html`;
  const picture = (name) => `${demo.remote}/images/${name}`;
  assert.deepEqual(list.toString('latin1').split('\r\n'), [
    `${entry(1)}|${picture('bus.png')}`,
    `${entry(2)}|${picture('tea.png')}`,
    entry(3),
    `${entry(4)}|${picture('trees.png')}`,
    `${entry(5)}|${picture('trees.png')}`,
    `${entry(6)}|${picture('hill.jpg')}`,
  ]);

  assertRunSteps(steps, 6);
  assert.match(steps[4].body, /<table width='200' height='12'/);
  assert.match(steps[4].body, /50\.00 %/);
  for (const step of steps.slice(1, 7)) {
    assert.match(step.body, /<script>tablePros\.style\.width=400;<\/script>/);
    assert.match(step.body, /Proess1\.innerHTML='进度：/);
  }
  assertPanels(panels, 5, {
    txt1: '文件采集成功',
    txt2: '文件采集成功',
    txt3: /Bytes/,
    showaddre: new RegExp(`^${demo.remote}/flash/files/`),
  });
  assert.match(await page.textContent('b.style2'), /成功采集动画 6 个/);
  assert.deepEqual(admin.pageErrors, []);

  const rows = query(
    flash.hostDb,
    `SELECT title, showurl, miniature, showmode, filesize, Author, ComeFrom, UserName, Introduce
     FROM QX_FlashList WHERE ChannelID = 5 ORDER BY FlashID`,
  );
  assert.deepEqual(rows.map((r) => r.title), titles);
  for (const r of rows) {
    assert.equal(r.showmode, 1);
    assert.equal(r.UserName, 'admin');
    assert.equal(r.ComeFrom.startsWith('演示'), true);
    assert.ok(!r.Introduce.includes('广告'), `${r.title}: the filter text stayed`);
    assert.match(r.showurl, /^UploadFile\/.+\.(swf|jpg|wav)$/);
    const saved = path.join(demo.siteFolder, 'flash', r.showurl);
    assert.ok(fs.existsSync(saved), r.showurl);
    assert.equal(r.filesize, Math.floor(fs.statSync(saved).size / 1024));
    assert.match(r.miniature, /^UploadPic\/.+\.(png|jpg)$/);
    assert.ok(fs.existsSync(path.join(demo.siteFolder, 'flash', r.miniature)), r.miniature);
  }
  // The movie is the demo's own file, byte for byte.
  assert.deepEqual(
    fs.readFileSync(path.join(demo.siteFolder, 'flash', rows[0].showurl)),
    fs.readFileSync(path.join(demo.files, 'flash', 'files', 'blue_sky.swf')),
  );
  // The third entry's picture is its page's own (park.jpg), the others the list's.
  const thumb = (r) => fs.readFileSync(path.join(demo.siteFolder, 'flash', r.miniature));
  assert.deepEqual(thumb(rows[2]), fs.readFileSync(path.join(demo.files, 'images', 'park.jpg')));
  assert.deepEqual(thumb(rows[1]), fs.readFileSync(path.join(demo.files, 'images', 'tea.png')));
  assert.equal(
    query(flash.hostDb, `SELECT ShowCount FROM QX_Classify WHERE ChannelID = 5 AND ClassName = '演示动画'`)[0]
      .ShowCount,
    6,
  );
});

test('test mode downloads and counts every entry but stores none', async () => {
  query(flash.gatherDb, 'UPDATE QX_FlashConfig SET UseDownload = 9, RepeatDeal = 2');
  await clearCache(page, flash);
  // The files of the first run go, so what this one downloads shows.
  const uploads = path.join(demo.siteFolder, 'flash', 'UploadFile');
  fs.rmSync(uploads, { recursive: true, force: true });
  const { steps } = await followRun(page, flash.page, itemName);
  for (const step of steps.slice(1, 7)) assert.match(step.body, /txt1\.innerHTML='文件采集成功'/);
  assert.match(await page.textContent('b.style2'), /成功采集动画 6 个/);
  assert.equal(flash.entryCount(), 6);
  const files = fs.readdirSync(uploads, { recursive: true }).filter((f) => /\.\w+$/.test(f));
  assert.equal(files.length, 6);
});
