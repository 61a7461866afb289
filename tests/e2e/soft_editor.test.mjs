// The software item editor in the browser, against a small software site
// written into the host's own site folder: a new item made in the four
// steps with their source views, trials of a plain entry, of an entry
// whose links lie on a separate download page and of a hostile page (none
// stores anything), the item saved through every step without changes, a
// run started from the last step, clone and delete.
import assert from 'node:assert/strict';
import { after, before, test } from 'node:test';

import {
  addClasses, assertHostileInert, assertSetUpDone, assertTrial, baseUrl, channel, cloneAndDelete,
  fillForm, hostileMarkup, openAdminPage, openFromMenu, openNewItem, query, saveStepsUnchanged,
  sendCodes, sendNewItem, submit, writeSitePages,
} from './browser.mjs';

const soft = channel('soft');
const itemName = '软件编辑器测试';
const remote = `${baseUrl}/e2e_soft`;

const sitePages = {
  'list.html':
    '<html><body><ul id="list"><li><a href="soft_1.html">一</a></li>' +
    '<li><a href="soft_2.html">二</a></li></ul></body></html>',
  'soft_1.html':
    '<html><body><h1>示范下载器</h1><span class="ver">3.2</span>' +
    '<span class="lang">英文</span><div id="intro"><p>一个示范用的下载工具。<img src="pic_1.gif"></p></div>' +
    '<ul id="down"><li><a href="files/a.zip">本地</a></li><li><a href="files/b.zip">镜像</a></li>' +
    '</ul></body></html>',
  'soft_2.html':
    '<html><body><h1>分页软件</h1><div id="intro"><p>下载地址在另一页。</p></div>' +
    '<ul id="down"><li><a href="down_2.html">进入下载页</a></li></ul></body></html>',
  'down_2.html':
    '<html><body><div id="dl"><a href="mirror/1.zip">电信</a> <a href="mirror/2.zip">网通</a>' +
    '</div></body></html>',
  // The introduction's picture, addressed from the entry page.
  'pic_1.gif': Buffer.from('R0lGODlhAQABAIAAAAAAAP///yH5BAEAAAAALAAAAAABAAEAAAIBRAA7', 'base64'),
  'hostile.html':
    `<html><body><h1>恶意页面</h1><div id="intro"><p>Remote text</p>${hostileMarkup}</div>` +
    '<ul id="down"><li><a href="javascript:top.location=\'/\'">x</a></li></ul></body></html>',
};

let admin;
let page;
let cleanUp = [];
let itemId = 0;

before(async () => {
  // A software class tree: 软件 (50) with the leaf 工具 (51).
  cleanUp = [
    writeSitePages('e2e_soft', sitePages),
    addClasses(
      soft,
      [50, '软件', 0, 0, 1, 50, 0, 0, '0', 'soft', 'soft'],
      [51, '工具', 1, 0, 0, 50, 1, 50, '50', 'tools', 'soft/tools'],
    ),
  ];
  ({ page } = admin = await openAdminPage());
});

// The other browser tests share this host: leave its channel as it was.
after(async () => {
  await admin?.close();
  query(soft.gatherDb, `DELETE FROM QX_SoftItem WHERE ItemName = '${itemName}'`);
  query(soft.hostDb, 'DELETE FROM QX_DownAddress');
  for (const undo of cleanUp) undo();
});

const openStep3 = () => openFromMenu(page, soft, itemId, '设置第三步');

test('the four steps make an item, with the source views', async () => {
  await openNewItem(page, soft);
  assert.equal(await page.inputValue('input[name=SaveFilePath]'), '/soft/UploadFile/');
  assert.ok(await page.isVisible('a[href="admin_Servered.asp?action=add&ChannelID=2"]'));
  const row = await sendNewItem(page, soft, itemName, {
    SiteUrl: `${remote}/`, ClassID: '51', downid: '1', selEncoding: 'UTF-8',
    RemoteListUrl: `${remote}/list.html`,
  });
  itemId = row.ItemID;
  assert.equal(row.downid, 1);
  assert.equal(row.FindInfoCode.split('$$$').length, 52);

  // Step 2: the list page's source, then the list codes.
  assert.match(await page.inputValue('#content'), /<ul id="list">/);
  await page.check('input[name=soucode][value="0"]');
  assert.equal(await page.isVisible('#soucodeid'), false);
  await page.check('input[name=ShowCode]');
  const listCodes = ['<ul id="list">', '</ul>', '<a href="', '">'];
  assert.equal((await sendCodes(page, soft, itemId, 'FindListCode', listCodes)).length, 15);

  // Step 3: the first entry's source, then the entry codes.
  assert.match(await page.inputValue('#content'), /示范下载器/);
  assert.equal(await page.isVisible('#InfoCode26'), false);
  await fillForm(page, { seldown: '1', selfont38: '1', selfont12: '1' });
  const codes = {
    0: '<h1>', 1: '</h1>', 2: '<div id="intro">', 3: '</div>',
    12: '<span class="lang">', 13: '</span>', 38: '<span class="ver">', 39: '</span>',
    26: '<ul id="down">', 27: '</ul>', 28: '<a href="', 29: '">',
  };
  assert.equal((await sendCodes(page, soft, itemId, 'FindInfoCode', codes)).length, 53);
  await assertSetUpDone(page);
  assert.deepEqual(admin.pageErrors, []);
});

test('a trial of a plain entry shows what the codes cut and stores nothing', async () => {
  const row = soft.item(itemId);
  await Promise.all([page.waitForNavigation(), page.click('a:has-text("项目演示")')]);
  const links = [/0、http:\/\/.*\/e2e_soft\/files\/a\.zip/, /1、http:\/\/.*\/e2e_soft\/files\/b\.zip/];
  await assertTrial(page, [/软件名称：示范下载器 3\.2/, /软件语言：英文/, ...links], [/一个示范用的下载工具。/]);
  // The introduction's picture is read against the entry page's address.
  const picture = page.frameLocator('div.style2 iframe').locator('img');
  assert.match(await picture.evaluate((img) => img.src), /\/e2e_soft\/pic_1\.gif$/);
  assert.equal(await picture.evaluate((img) => img.decode().then(() => img.naturalWidth)), 1);
  assert.deepEqual(soft.item(itemId), row);
  assert.equal(soft.entryCount(), 0);
});

test('trials of a paged-download entry and of a hostile page store nothing', async () => {
  await openStep3();
  await page.check('input[name=downpage][value="1"]');
  assert.equal(await page.isVisible('#InfoCode30'), true);
  await fillForm(page, { NamedDemourl: `${remote}/soft_2.html`, ShowCode: true });
  const pageCodes = { 30: '<div id="dl">', 31: '</div>', 32: '<a href="', 33: '">' };
  await sendCodes(page, soft, itemId, 'FindInfoCode', pageCodes);
  const mirrors = [/0、http:\/\/.*\/e2e_soft\/mirror\/1\.zip/, /1、http:\/\/.*\/e2e_soft\/mirror\/2\.zip/];
  await assertTrial(page, [/软件名称：分页软件/, ...mirrors], [/下载地址在另一页。/]);
  assert.equal(soft.item(itemId).downpage, 1);

  await openStep3();
  await fillForm(page, { NamedDemourl: `${remote}/hostile.html`, ShowCode: true });
  await submit(page);
  await assertTrial(page, [/软件名称：恶意页面/], [/Remote text/]);
  await assertHostileInert(admin, soft);
});

test('saving every step without changes keeps every column', async () => {
  await saveStepsUnchanged(admin, soft, itemId, itemName);
});

test('the last step starts a run that stores the entries', async () => {
  await openStep3();
  await submit(page);
  await assertSetUpDone(page);
  await page.click('input[name=B32]');
  await page.waitForURL(/action=yes/, { timeout: 120_000 });
  const rows = query(soft.hostDb, 'SELECT SoftName, SoftVer, ClassID FROM QX_SoftList ORDER BY softid');
  assert.deepEqual(rows, [
    { SoftName: '示范下载器', SoftVer: '3.2', ClassID: 51 },
    { SoftName: '分页软件', SoftVer: '', ClassID: 51 },
  ]);
  const [link] = query(soft.hostDb, 'SELECT downid, DownFileName FROM QX_DownAddress ORDER BY softid');
  assert.equal(link.downid, 1);
  assert.equal(link.DownFileName, 'e2e_soft/files/b.zip'); // address number 1 (MaxAddress)
});

test('an item is cloned and the clone deleted', async () => {
  await cloneAndDelete(admin, soft, itemId, itemName);
});
