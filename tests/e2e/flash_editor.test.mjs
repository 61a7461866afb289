// The Flash item editor in the browser, against a small Flash site written
// into the host's own site folder: a new item made in the four steps with
// their source views and the list thumbnail codes, trials of a plain entry
// in every show mode and of a hostile page (none stores anything), the
// item saved through every step without changes, a run started from the
// last step, clone and delete.
import assert from 'node:assert/strict';
import path from 'node:path';
import { after, before, test } from 'node:test';

import { baseUrl, clickInView, dataFolder, openAdminPage, query, writeSitePages } from './browser.mjs';

const flashPage = `${baseUrl}/admin/Admin_FlashGather.asp`;
const itemName = '动画编辑器测试';
const remote = `${baseUrl}/e2e_flash`;
const gatherDb = () => path.join(dataFolder, 'gather.db');
const hostDb = () => path.join(dataFolder, 'host.db');

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
    '<html><body><h1>恶意页面</h1><div id="intro"><p>Remote text</p>' +
    '<script>top.document.title="taken";</script>' +
    '<img src="nothing.gif" onerror="top.document.title=\'taken\';alert(1)"></div>' +
    '<span class="from">http://x.test/ onmouseover=alert(2)</span>' +
    '<div id="down"><a href="javascript:top.location=\'/\'">x</a></div></body></html>',
};

let admin;
let page;
let pageErrors;
let dialogs;
let removeSitePages;
let itemId = 0;

before(async () => {
  removeSitePages = writeSitePages('e2e_flash', sitePages);
  // A Flash class that takes entries: 动画 (60).
  query(
    hostDb(),
    'INSERT OR IGNORE INTO QX_Classify (ClassID, ChannelID, ClassName, depth, TurnLink, child, ' +
      'rootid, orders, parentid, Parentstr, ClassDir, HtmlFileDir) VALUES ' +
      "(60, 5, '动画', 0, 0, 0, 60, 0, 0, '0', 'flash', 'flash')",
  );
  admin = await openAdminPage();
  ({ page, pageErrors, dialogs } = admin);
});

// The other browser tests share this host: leave its channel as it was.
after(async () => {
  await admin?.close();
  query(gatherDb(), `DELETE FROM QX_FlashItem WHERE ItemName = '${itemName}'`);
  query(hostDb(), 'DELETE FROM QX_Classify WHERE ClassID = 60');
  query(hostDb(), 'DELETE FROM QX_FlashList WHERE ClassID = 60');
  removeSitePages?.();
});

const itemRow = (id) => query(gatherDb(), `SELECT * FROM QX_FlashItem WHERE ItemID = ${id}`)[0];
const entryCount = () => query(hostDb(), 'SELECT COUNT(*) AS n FROM QX_FlashList')[0].n;

async function submit(name = 'B22') {
  await Promise.all([page.waitForNavigation(), clickInView(page, `input[name=${name}]`)]);
}

// A page of the item's editor, as the navigation row opens it.
async function openFromMenu(link) {
  await page.goto(`${flashPage}?action=edit&ChannelID=5&ItemID=${itemId}`);
  await Promise.all([page.waitForNavigation(), page.click(`a:has-text("${link}")`)]);
}

test('the four steps make an item, with the source views', async () => {
  await page.goto(`${flashPage}?action=add`);
  assert.equal((await page.textContent('th')).trim(), '添加新的采集项目');
  assert.equal(await page.isVisible('#Pageinate1'), false);
  assert.equal(await page.inputValue('input[name=SaveFilePath]'), 'UploadFile/');
  assert.ok(await page.isChecked('input[name=showmode][value="1"]'));
  await page.fill('input[name=ItemName]', itemName);
  await page.fill('input[name=SiteUrl]', `${remote}/`);
  await page.selectOption('select[name=ClassID]', '60');
  await page.selectOption('select[name=selEncoding]', 'UTF-8');
  await page.fill('input[name=SaveFilePath]', 'up\\flash\\');
  await page.fill('input[name=RemoteListUrl]', `${remote}/list.html`);
  await page.check('input[name=ShowCode]');
  await submit();

  const [row] = query(gatherDb(), `SELECT * FROM QX_FlashItem WHERE ItemName = '${itemName}'`);
  assert.ok(row, 'the item was stored');
  itemId = row.ItemID;
  assert.equal(row.SaveFilePath, 'up/flash/');
  assert.equal(row.FindListCode.split('$$$').length, 18);
  assert.equal(row.FindInfoCode.split('$$$').length, 44);
  assert.equal(await page.inputValue('input[name=ItemID]'), String(itemId));

  // Step 2: the list page's source, then the list and thumbnail codes.
  assert.match(await page.inputValue('#content'), /<ul id="list">/);
  assert.equal(await page.isVisible('#ListCode5'), false);
  await page.check('input[name=FindListCode4][value="1"]');
  assert.equal(await page.isVisible('#ListCode5'), true);
  const listCodes = { 0: '<ul id="list">', 1: '</ul>', 2: '<a href="', 3: '">', 5: '<img src="', 6: '">' };
  for (const [i, code] of Object.entries(listCodes)) {
    await page.fill(`textarea[name=FindListCode${i}]`, code);
  }
  await page.check('input[name=ShowCode]');
  await submit();
  assert.equal(itemRow(itemId).FindListCode.split('$$$').length, 21);

  // Step 3: the first movie's source, then the entry codes.
  assert.match(await page.inputValue('#content'), /示范动画/);
  assert.equal(await page.isVisible('#InfoCode21'), false);
  assert.equal(await page.isVisible('input[name=FindInfoCode20]'), true);
  await page.check('input[name=seldown][value="1"]');
  await page.check('input[name=selfont12][value="1"]');
  await page.check('input[name=selfont14][value="1"]');
  const codes = {
    0: '<h1>', 1: '</h1>', 2: '<div id="intro">', 3: '</div>',
    12: '<span class="from">', 13: '</span>', 14: '<span class="author">', 15: '</span>',
    21: '<div id="down">', 22: '</div>', 23: '<a href="', 24: '">',
  };
  for (const [i, code] of Object.entries(codes)) {
    await page.fill(`textarea[name=FindInfoCode${i}]`, code);
  }
  await submit();
  assert.match(await page.textContent('table.TableBorder'), /恭喜您！采集项目设置全部完成。/);
  const stored = itemRow(itemId).FindInfoCode.split('$$$');
  assert.equal(stored.length, 43);
  assert.equal(stored[23], '<a href="');
  assert.deepEqual(pageErrors, []);
});

test('trials of a plain entry in every show mode store nothing', async () => {
  const row = itemRow(itemId);
  const players = ['', 'embed[src$="files/1.swf"]', 'img[src$="files/1.swf"]',
    'object[classid^="CLSID:22D6F312"]', 'object[classid^="clsid:CFCDAA03"]',
    'object[classid^="clsid:166B1BCA"]'];
  for (let mode = 0; mode <= 5; mode += 1) {
    query(gatherDb(), `UPDATE QX_FlashItem SET showmode = ${mode} WHERE ItemID = ${itemId}`);
    await openFromMenu('项目演示');
    const text = await page.textContent('table.TableBorder');
    assert.match(text, /标题名称：示范动画/);
    assert.match(text, /原 作 者：小明/);
    assert.match(text, /下载连接：http:\/\/.*\/e2e_flash\/files\/1\.swf/);
    const frames = page.locator('table.TableBorder iframe');
    assert.equal(await frames.count(), mode === 0 ? 2 : 3, `mode ${mode}`);
    for (let i = 0; i < (await frames.count()); i += 1) {
      assert.equal(await frames.nth(i).getAttribute('sandbox'), '');
    }
    // The source with its address linked, the player, the introduction
    // with the list's thumbnail.
    const source = page.frameLocator('table.TableBorder iframe').first();
    assert.equal(await source.locator('a[href="http://example.test/"]').count(), 1);
    if (mode > 0) {
      const player = page.frameLocator('table.TableBorder iframe').nth(1);
      assert.equal(await player.locator(players[mode]).count(), 1, `mode ${mode}`);
    }
    const intro = page.frameLocator('div.style2 iframe');
    assert.match(await intro.locator('body').textContent(), /一段示范用的动画。/);
    assert.match(await intro.locator('img').getAttribute('src'), /\/e2e_flash\/t\/1\.gif$/);
  }
  query(gatherDb(), `UPDATE QX_FlashItem SET showmode = ${row.showmode} WHERE ItemID = ${itemId}`);
  assert.deepEqual(itemRow(itemId), row);
  assert.equal(entryCount(), 0);
});

test('a trial of a hostile page runs nothing of it and stores nothing', async () => {
  await openFromMenu('设置第三步');
  await page.fill('input[name=NamedDemourl]', `${remote}/hostile.html`);
  await page.check('input[name=ShowCode]');
  await submit();
  const text = await page.textContent('table.TableBorder');
  assert.match(text, /标题名称：恶意页面/);
  const shown = await page.frameLocator('div.style2 iframe').locator('body').textContent();
  assert.match(shown, /Remote text/);
  assert.equal(await page.locator('table.TableBorder a[href^="javascript:"]').count(), 0);
  assert.equal(await page.locator('table.TableBorder [onmouseover]').count(), 0);
  await page.waitForTimeout(300);
  assert.equal(await page.title(), '动画采集管理');
  assert.deepEqual(dialogs.filter((d) => d === '1' || d === '2'), []);
  assert.deepEqual(pageErrors, []);
  assert.equal(entryCount(), 0);
  assert.equal(itemRow(itemId).NamedDemourl, `${remote}/hostile.html`);
});

test('saving every step without changes keeps every column', async () => {
  query(
    gatherDb(),
    "UPDATE QX_FlashItem SET AutoClass = 1, RetuneClass = 'a|b$$$长名|短', " +
      `strReplace = 'x$$$甲|乙', IsPagination = 1, PaginalList = '${remote}/list_{$pageid}.html' ` +
      `WHERE ItemID = ${itemId}`,
  );
  const row = itemRow(itemId);
  await page.goto(`${flashPage}?action=edit&ChannelID=5&ItemID=${itemId}`);
  assert.equal(await page.inputValue('input[name=ItemName]'), itemName);
  assert.equal(await page.isVisible('#RetuneClassID'), true);
  for (let step = 2; step <= 4; step += 1) {
    await submit();
    assert.deepEqual(itemRow(itemId), row, `after the save of step ${step - 1}`);
  }
  assert.match(await page.textContent('table.TableBorder'), /恭喜您！采集项目设置全部完成。/);
  await submit('B22');
  assert.equal(new URL(page.url()).search, '?ChannelID=5');
});

test('the last step starts a run that stores the entries', async () => {
  // The item's own class, and the list page alone; the channel stores what
  // it gathers (another test may have left test mode on), read afresh.
  query(gatherDb(), `UPDATE QX_FlashItem SET AutoClass = 0, IsPagination = 0 WHERE ItemID = ${itemId}`);
  const [config] = query(gatherDb(), 'SELECT UseDownload, setInterval FROM QX_FlashConfig');
  query(gatherDb(), 'UPDATE QX_FlashConfig SET UseDownload = 0, setInterval = 0');
  await page.goto(`${flashPage}?ChannelID=5`);
  await Promise.all([page.waitForNavigation(), page.click('.admin-head a:has-text("清除缓存")')]);
  await openFromMenu('设置第三步');
  await submit();
  assert.match(await page.textContent('table.TableBorder'), /恭喜您！采集项目设置全部完成。/);
  await clickInView(page, 'input[name=B32]');
  await page.waitForURL(/action=yes/, { timeout: 120_000 });
  const rows = query(hostDb(), 'SELECT title, ClassID, Author FROM QX_FlashList ORDER BY FlashID');
  assert.deepEqual(rows, [
    { title: '示范动画', ClassID: 60, Author: '小明' },
    { title: '第二个动画', ClassID: 60, Author: '' },
  ]);
  query(
    gatherDb(),
    `UPDATE QX_FlashConfig SET UseDownload = ${config.UseDownload}, setInterval = ${config.setInterval}`,
  );
});

test('an item is cloned and the clone deleted', async () => {
  // Typed in, with no page of this host behind it, a clone or a save is refused.
  assert.equal((await page.goto(`${flashPage}?action=copy&ItemID=${itemId}`)).status(), 403);
  assert.equal((await page.goto(`${flashPage}?action=step4&change=yes&ItemID=${itemId}`)).status(), 403);
  await page.goto(`${flashPage}?ChannelID=5`);
  const rows = page.locator('tr', { hasText: itemName });
  assert.equal(await rows.count(), 1);
  await Promise.all([
    page.waitForURL(/action=copy/),
    rows.first().locator('a', { hasText: /^克隆$/ }).click(),
  ]);
  await page.waitForURL((url) => !url.search.includes('action=copy'));
  await page.waitForLoadState('load');
  assert.equal(dialogs.at(-1), '恭喜您！采集项目克隆成功。');
  const items = query(gatherDb(), `SELECT * FROM QX_FlashItem WHERE ItemName = '${itemName}'`);
  assert.equal(items.length, 2);
  const [source, copy] = items.sort((a, b) => a.ItemID - b.ItemID);
  for (const column of Object.keys(source)) {
    if (column !== 'ItemID' && column !== 'lastime') {
      assert.deepEqual(copy[column], source[column], column);
    }
  }
  const first = page.locator('tr[align=center]').first();
  assert.match(await first.innerHTML(), new RegExp(`ItemID=${copy.ItemID}&`));
  await Promise.all([page.waitForNavigation(), first.locator('a', { hasText: /^删除$/ }).click()]);
  assert.equal(itemRow(copy.ItemID), undefined);
  assert.ok(itemRow(itemId));
});
