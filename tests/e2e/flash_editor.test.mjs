// The Flash item editor in the browser, against a small Flash site written
// into the host's own site folder: a new item made in the four steps with
// their source views and the list thumbnail codes, trials of a plain entry
// (its file offered, not played, in any show mode) and of a hostile page
// (none stores anything), the item saved through every step without
// changes, a run started from the last step, clone and delete.
import assert from 'node:assert/strict';
import { after, before, test } from 'node:test';

import {
  addClasses, assertHostileInert, assertSetUpDone, assertTrial, baseUrl, channel, clearCache,
  clickInView, cloneAndDelete, fillForm, hostileMarkup, openAdminPage, openFromMenu, openNewItem,
  query, readForm, saveStepsUnchanged, sendCodes, sendNewItem, submit, writeSitePages,
} from './browser.mjs';

const flash = channel('flash');
const itemName = '动画编辑器测试';
const remote = `${baseUrl}/e2e_flash`;

const sitePages = {
  'list.html':
    '<html><body><ul id="list"><li><img src="t/1.gif"><a href="movie_1.html">一</a></li>' +
    '<li><img src="t/2.gif"><a href="movie_2.html">二</a></li></ul></body></html>',
  'movie_1.html':
    '<html><body><h1>示范动画</h1><span class="from">示范网 http://example.test/</span>' +
    '<span class="author">小明</span><div id="intro"><p>一段示范用的动画。</p></div>' +
    '<div id="down"><a href="files/1.swf">播放</a></div></body></html>',
  'movie_2.html':
    '<html><body><h1>第二个动画</h1><div id="intro"><p>又一段。</p></div>' +
    '<div id="down"><a href="files/2.swf">播放</a></div></body></html>',
  'hostile.html':
    `<html><body><h1>恶意页面</h1><div id="intro"><p>Remote text</p>${hostileMarkup}</div>` +
    '<span class="from">http://x.test/ onmouseover=alert(2)</span>' +
    '<div id="down"><a href="javascript:top.location=\'/\'">x</a></div></body></html>',
};

let admin;
let page;
let cleanUp = [];
let itemId = 0;

before(async () => {
  // A Flash class that takes entries: 动画 (60).
  cleanUp = [
    writeSitePages('e2e_flash', sitePages),
    addClasses(flash, [60, '动画', 0, 0, 0, 60, 0, 0, '0', 'flash', 'flash']),
  ];
  ({ page } = admin = await openAdminPage());
});

// The other browser tests share this host: leave its channel as it was.
after(async () => {
  await admin?.close();
  query(flash.gatherDb, `DELETE FROM QX_FlashItem WHERE ItemName = '${itemName}'`);
  for (const undo of cleanUp) undo();
});

test('the four steps make an item, with the source views', async () => {
  await openNewItem(page, flash);
  const defaults = { SaveFilePath: 'UploadFile/', showmode: '1' };
  assert.deepEqual(await readForm(page, Object.keys(defaults)), defaults);
  const row = await sendNewItem(page, flash, itemName, {
    SiteUrl: `${remote}/`, ClassID: '60', selEncoding: 'UTF-8',
    SaveFilePath: 'up\\flash\\', RemoteListUrl: `${remote}/list.html`,
  });
  itemId = row.ItemID;
  assert.equal(row.SaveFilePath, 'up/flash/');
  assert.equal(row.FindListCode.split('$$$').length, 18);
  assert.equal(row.FindInfoCode.split('$$$').length, 44);

  // Step 2: the list page's source, then the list and thumbnail codes.
  assert.match(await page.inputValue('#content'), /<ul id="list">/);
  assert.equal(await page.isVisible('#ListCode5'), false);
  await page.check('input[name=FindListCode4][value="1"]');
  assert.equal(await page.isVisible('#ListCode5'), true);
  await page.check('input[name=ShowCode]');
  const listCodes = { 0: '<ul id="list">', 1: '</ul>', 2: '<a href="', 3: '">', 5: '<img src="', 6: '">' };
  assert.equal((await sendCodes(page, flash, itemId, 'FindListCode', listCodes)).length, 21);

  // Step 3: the first movie's source, then the entry codes.
  assert.match(await page.inputValue('#content'), /示范动画/);
  assert.equal(await page.isVisible('#InfoCode21'), false);
  assert.equal(await page.isVisible('input[name=FindInfoCode20]'), true);
  await fillForm(page, { seldown: '1', selfont12: '1', selfont14: '1' });
  const codes = {
    0: '<h1>', 1: '</h1>', 2: '<div id="intro">', 3: '</div>',
    12: '<span class="from">', 13: '</span>', 14: '<span class="author">', 15: '</span>',
    21: '<div id="down">', 22: '</div>', 23: '<a href="', 24: '">',
  };
  assert.equal((await sendCodes(page, flash, itemId, 'FindInfoCode', codes)).length, 43);
  await assertSetUpDone(page);
  assert.deepEqual(admin.pageErrors, []);
});

test('trials of a plain entry offer its file in any show mode and store nothing', async () => {
  const row = flash.item(itemId);
  for (const mode of [0, 3]) {
    query(flash.gatherDb, `UPDATE QX_FlashItem SET showmode = ${mode} WHERE ItemID = ${itemId}`);
    await openFromMenu(page, flash, itemId, '项目演示');
    const file = /http:\/\/.*\/e2e_flash\/files\/1\.swf/;
    const texts = [/标题名称：示范动画/, /原 作 者：小明/, new RegExp(`下载连接：${file.source}`),
      new RegExp(`演示中不能播放，请打开文件查看：${file.source}`)];
    await assertTrial(page, texts, [/一段示范用的动画。/]);
    // No player (none plays in a sandboxed frame): the source and the
    // introduction in their frames, and the file's link in the page.
    const frames = page.locator('table.TableBorder iframe');
    assert.equal(await frames.count(), 2, `mode ${mode}`);
    for (let i = 0; i < 2; i += 1) assert.equal(await frames.nth(i).getAttribute('sandbox'), '');
    assert.equal(await page.locator('div.style2 > a[href$="/e2e_flash/files/1.swf"]').count(), 1);
    const source = page.frameLocator('table.TableBorder iframe').first();
    assert.equal(await source.locator('a[href="http://example.test/"]').count(), 1);
    // The list's thumbnail, before the introduction, loads.
    const intro = page.frameLocator('div.style2 iframe');
    assert.match(await intro.locator('img').getAttribute('src'), /\/e2e_flash\/t\/1\.gif$/);
  }
  query(flash.gatherDb, `UPDATE QX_FlashItem SET showmode = ${row.showmode} WHERE ItemID = ${itemId}`);
  assert.deepEqual(flash.item(itemId), row);
  assert.equal(flash.entryCount(), 0);
});

test('a trial of a hostile page runs nothing of it and stores nothing', async () => {
  await openFromMenu(page, flash, itemId, '设置第三步');
  await fillForm(page, { NamedDemourl: `${remote}/hostile.html`, ShowCode: true });
  await submit(page);
  await assertTrial(page, [/标题名称：恶意页面/], [/Remote text/]);
  await assertHostileInert(admin, flash);
  assert.equal(flash.item(itemId).NamedDemourl, `${remote}/hostile.html`);
});

test('saving every step without changes keeps every column', async () => {
  query(
    flash.gatherDb,
    "UPDATE QX_FlashItem SET AutoClass = 1, RetuneClass = 'a|b$$$长名|短', " +
      `strReplace = 'x$$$甲|乙', IsPagination = 1, PaginalList = '${remote}/list_{$pageid}.html' ` +
      `WHERE ItemID = ${itemId}`,
  );
  await saveStepsUnchanged(admin, flash, itemId, itemName, async () => {
    assert.equal(await page.isVisible('#RetuneClassID'), true);
  });
});

test('the last step starts a run that stores the entries', async () => {
  // The item's own class, and the list page alone; the channel stores what
  // it gathers (another test may have left test mode on), read afresh.
  query(flash.gatherDb, `UPDATE QX_FlashItem SET AutoClass = 0, IsPagination = 0 WHERE ItemID = ${itemId}`);
  const [config] = query(flash.gatherDb, 'SELECT UseDownload, setInterval FROM QX_FlashConfig');
  query(flash.gatherDb, 'UPDATE QX_FlashConfig SET UseDownload = 0, setInterval = 0');
  await clearCache(page, flash);
  await openFromMenu(page, flash, itemId, '设置第三步');
  await submit(page);
  await assertSetUpDone(page);
  await clickInView(page, 'input[name=B32]');
  await page.waitForURL(/action=yes/, { timeout: 120_000 });
  const rows = query(flash.hostDb, 'SELECT title, ClassID, Author FROM QX_FlashList ORDER BY FlashID');
  assert.deepEqual(rows, [
    { title: '示范动画', ClassID: 60, Author: '小明' },
    { title: '第二个动画', ClassID: 60, Author: '' },
  ]);
  query(
    flash.gatherDb,
    `UPDATE QX_FlashConfig SET UseDownload = ${config.UseDownload}, setInterval = ${config.setInterval}`,
  );
});

test('an item is cloned and the clone deleted', async () => {
  await cloneAndDelete(admin, flash, itemId, itemName);
});
