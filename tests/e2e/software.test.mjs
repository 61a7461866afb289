// The software channel's admin page as an administrator uses it: the
// channel bar leads there, the empty and the filled item list with its
// pager, the base settings saved and read back, delete and cache clearing,
// and the download-server page.
import assert from 'node:assert/strict';
import path from 'node:path';
import { after, before, test } from 'node:test';

import { baseUrl, dataFolder, itemRowCount, openAdminPage, query } from './browser.mjs';

const gatherDb = () => path.join(dataFolder, 'gather.db');
const hostDb = () => path.join(dataFolder, 'host.db');
const softPage = `${baseUrl}/admin/admin_SoftGather.asp`;

let admin;
let page;

before(async () => {
  admin = await openAdminPage();
  ({ page } = admin);
});

after(async () => {
  await admin?.close();
  assert.deepEqual(admin?.pageErrors, []);
});

const rowCount = () => itemRowCount(page);

test('the channel bar opens the empty software item list', async () => {
  await Promise.all([page.waitForNavigation(), page.click('.admin-channels a:has-text("软件采集")')]);
  assert.equal(new URL(page.url()).pathname, '/admin/admin_SoftGather.asp');
  assert.equal(await page.title(), '软件采集管理');
  assert.equal(
    (await page.textContent('table.tableborder td.TableRow2')).trim(),
    '还没有找到任何采集项目！',
  );
  assert.equal(await rowCount(), 0);
});

test('31 items fill two pages of the list', async () => {
  const values = [];
  for (let i = 1; i <= 31; i += 1) {
    values.push(
      `(${1000 + i}, '软件<${i}>', 'http://127.0.0.1/', 2, 6, 0, ${i === 31 ? 1 : 0}, ` +
        `'2026-01-01 10:${String(i).padStart(2, '0')}:00', 'http://127.0.0.1/list')`,
    );
  }
  query(
    gatherDb(),
    'INSERT INTO QX_SoftItem (ItemID, ItemName, SiteUrl, ChannelID, ClassID, SpecialID, ' +
      `StopItem, lastime, RemoteListUrl) VALUES ${values.join(',')}`,
  );
  await page.goto(softPage);
  assert.equal(await rowCount(), 30);
  const first = await page.$$eval('table.tableborder tr[align=center] td:first-child', (cells) =>
    cells.map((c) => c.textContent),
  );
  assert.equal(first[0], '软件<31>'); // newest run first, the name shown as text
  assert.match(await page.textContent('body'), /没有分类/);
  await page.goto(`${softPage}?page=2`);
  assert.equal(await rowCount(), 1);
  assert.equal(
    await page.textContent('table.tableborder tr[align=center] td:first-child'),
    '软件<1>',
  );
});

test('the base settings are saved and read back, every field', async () => {
  await page.goto(`${softPage}?action=config`);
  const text = {
    setInterval: '2500',
    MaxDownSize: '800',
    AllowDownExt: 'zip|rar|7z',
    FilePrefix: 'pre_',
    FileSuffix: '_suf',
    ZipTimeout: '300',
    MaxZipsize: '4096',
    AllowFileExt: 'zip|rar',
    WinRarPath: 'C:\\rar\\',
    DownFilePath: 'tmp/',
    ReadmePath: 'readme/',
    RarNoteFile: 'note"<x>.txt',
  };
  const radios = { UseDownload: '9', RepeatDeal: '1', isProgress: '3', TrueAddress: '1', isZipFile: '1', ZipMode: '1' };
  for (const [name, value] of Object.entries(text)) await page.fill(`input[name=${name}]`, value);
  for (const [name, value] of Object.entries(radios)) await page.check(`input[name=${name}][value='${value}']`);
  await page.fill('textarea[name=ReadmeFile]', 'a.txt\nb.txt');
  await Promise.all([page.waitForNavigation(), page.click('input[name=B22]')]);

  const [row] = query(gatherDb(), 'SELECT * FROM QX_SoftConfig WHERE id=1');
  for (const [name, value] of Object.entries({ ...text, ...radios })) {
    assert.equal(String(row[name]), value, name);
  }
  assert.equal(row.ReadmeFile, 'a.txt|b.txt');

  await page.goto(`${softPage}?action=config`);
  for (const [name, value] of Object.entries(text)) {
    assert.equal(await page.inputValue(`input[name=${name}]`), value, name);
  }
  for (const [name, value] of Object.entries(radios)) {
    assert.equal(await page.$eval(`input[name=${name}]:checked`, (e) => e.value), value, name);
  }
  assert.equal(await page.inputValue('textarea[name=ReadmeFile]'), 'a.txt\nb.txt');
});

test('delete takes an item away and cache clearing lists what it removed', async () => {
  await page.goto(softPage);
  await Promise.all([
    page.waitForNavigation(),
    page.click('table.tableborder tr[align=center] >> nth=0 >> a:has-text("删除")'),
  ]);
  assert.equal(query(gatherDb(), 'SELECT COUNT(*) AS n FROM QX_SoftItem WHERE ItemID=1031')[0].n, 0);
  assert.equal(await rowCount(), 30);

  await page.click('.admin-head a:has-text("清除缓存")');
  await page.waitForLoadState();
  const lines = await page.$$eval('li', (items) => items.map((i) => i.textContent));
  assert.ok(lines.some((l) => /myzemble_softconfig/.test(l)), lines.join('\n'));
  assert.equal(lines.at(-1), '当前站点全部缓存清理完成。');
});

test('the download-server page adds, edits and deletes servers', async () => {
  await page.click('.admin-channels a:has-text("下载服务器")');
  await page.waitForLoadState();
  assert.equal(await page.title(), '下载服务器管理');
  await page.fill('input[name=DownloadName]', '镜像<一>');
  await Promise.all([page.waitForNavigation(), page.click('input[name=Submit]')]);
  const [added] = query(hostDb(), "SELECT * FROM QX_DownServer WHERE DownloadName='镜像<一>'");
  assert.equal(added.ChannelID, 2);
  assert.equal(added.rootid, added.downid);

  await page.fill('input[name=DownloadName]', '子站');
  await page.selectOption('select[name=rootid]', String(added.downid));
  await Promise.all([page.waitForNavigation(), page.click('input[name=Submit]')]);
  const [child] = query(hostDb(), "SELECT * FROM QX_DownServer WHERE DownloadName='子站'");
  assert.equal(child.depth, 1);
  assert.equal(child.rootid, added.downid);

  await page.goto(`${baseUrl}/admin/admin_Servered.asp?action=edit&downid=${added.downid}&ChannelID=2`);
  assert.equal(await page.inputValue('input[name=DownloadName]'), '镜像<一>');
  await page.fill('input[name=DownloadName]', '镜像二');
  await Promise.all([page.waitForNavigation(), page.click('input[name=Submit]')]);
  assert.equal(query(hostDb(), `SELECT DownloadName FROM QX_DownServer WHERE downid=${added.downid}`)[0].DownloadName, '镜像二');

  await Promise.all([
    page.waitForNavigation(),
    page.click(`a[href*="action=del&downid=${added.downid}&"]`),
  ]);
  assert.equal(
    query(hostDb(), `SELECT COUNT(*) AS n FROM QX_DownServer WHERE rootid=${added.downid}`)[0].n,
    0,
  );
  assert.match(await page.textContent('body'), /本地下载/);
});
