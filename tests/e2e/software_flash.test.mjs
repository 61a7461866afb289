// The software and Flash channels' admin pages as an administrator uses
// them, the same rules on both: the channel bar leads there, the empty and
// the filled item list with its pager, the base settings saved as the first
// start leaves them, then saved and read back (the radio groups show what
// was stored) and an empty extension list
// refused, delete and cache clearing; then the software channel's
// download-server page. Its name runs it after the other files on the main
// host: the settings it leaves (test mode among them) stay.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { after, before, test } from 'node:test';

import {
  baseUrl, channel, clearCache, itemRowCount, openAdminPage, query, readForm, saveSettings,
  siteFolder,
} from './browser.mjs';

const soft = channel('soft');

const channels = [
  {
    ch: soft, word: '软件', label: 'software', firstId: 1000,
    settings: {
      setInterval: '2500', MaxDownSize: '800', AllowDownExt: 'zip|rar|7z', FilePrefix: 'pre_',
      FileSuffix: '_suf', ZipTimeout: '300', MaxZipsize: '4096', AllowFileExt: 'zip|rar',
      WinRarPath: 'C:\\rar\\', DownFilePath: 'tmp/', ReadmePath: 'readme/', RarNoteFile: 'note"<x>.txt',
      // the radio groups
      UseDownload: '9', RepeatDeal: '1', isProgress: '3', TrueAddress: '1', isZipFile: '1', ZipMode: '1',
      ReadmeFile: 'a.txt\nb.txt', // typed one a line, stored with "|" between
    },
    stored: { ReadmeFile: 'a.txt|b.txt' },
    absent: [],
  },
  {
    ch: channel('flash'), word: '动画', label: 'Flash', firstId: 2000,
    settings: {
      setInterval: '2500', MaxDownSize: '800', AllowDownExt: 'swf|gif|wmv', FilePrefix: 'pre_',
      FileSuffix: "_s'<x>\"",
      // the radio groups; a stored 3 marks 显示速度 and 显示速度+进度条: the browser shows the later
      UseDownload: '9', RepeatDeal: '1', isProgress: '3',
    },
    stored: {},
    absent: ['TrueAddress'],
  },
];

let admin;
let page;

before(async () => {
  ({ page } = admin = await openAdminPage());
});

after(async () => {
  await admin?.close();
  assert.deepEqual(admin?.pageErrors, []);
});

const rowCount = () => itemRowCount(page);
const firstCell = () => page.textContent('table.tableborder tr[align=center] td:first-child');

for (const { ch, word, label, firstId, settings, stored, absent } of channels) {
  const pathname = new URL(ch.page).pathname;

  test(`the channel bar opens the empty ${label} item list`, async () => {
    await page.goto(`${baseUrl}/admin/`);
    await Promise.all([page.waitForNavigation(), page.click(`.admin-channels a:has-text("${word}采集")`)]);
    assert.equal(new URL(page.url()).pathname, pathname);
    assert.equal(await page.title(), ch.title);
    assert.equal(
      (await page.textContent('table.tableborder td.TableRow2')).trim(),
      '还没有找到任何采集项目！',
    );
    assert.equal(await rowCount(), 0);
  });

  test(`31 ${label} items fill two pages of the list, newest run first`, async () => {
    const values = [];
    for (let i = 1; i <= 31; i += 1) {
      values.push(
        `(${firstId + i}, '${word}<${i}>', 'http://127.0.0.1/', ${ch.id}, 6, 0, ` +
          `${i === 31 ? 1 : 0}, '2026-01-01 10:${String(i).padStart(2, '0')}:00', 'http://127.0.0.1/list')`,
      );
    }
    query(
      ch.gatherDb,
      `INSERT INTO ${ch.items} (ItemID, ItemName, SiteUrl, ChannelID, ClassID, SpecialID, ` +
        `StopItem, lastime, RemoteListUrl) VALUES ${values.join(',')}`,
    );
    await page.goto(ch.page);
    assert.equal(await rowCount(), 30);
    assert.equal(await firstCell(), `${word}<31>`); // the name shown as text
    assert.match(await page.textContent('body'), /没有分类/);
    const edit = await page.getAttribute('table.tableborder tr[align=center] a:has-text("编辑")', 'href');
    assert.equal(edit, `?action=edit&ItemID=${firstId + 31}&ChannelID=${ch.id}`);
    await page.goto(`${ch.page}?page=2`);
    assert.equal(await rowCount(), 1);
    assert.equal(await firstCell(), `${word}<1>`);
  });

  test(`the ${label} base settings are saved and read back, every field`, async () => {
    await page.goto(ch.page);
    await Promise.all([page.waitForNavigation(), page.click('.admin-head a:has-text("采集基本设置")')]);
    assert.match(await page.textContent('th'), new RegExp(`${word}采集基本设置`));
    for (const name of absent) assert.equal(await page.$(`input[name=${name}]`), null, name);
    const storedRow = () => query(ch.gatherDb, `SELECT * FROM ${ch.config} WHERE id=1`)[0];
    // As the first start leaves them, they save unchanged; the software
    // archiver's folder holds the built Rar.exe, the comment file is the site's.
    const first = storedRow();
    assert.equal(await saveSettings(page, ch, {}), '保存采集基本设置成功!');
    assert.deepEqual(storedRow(), first);
    if (first.WinRarPath !== undefined) {
      assert.ok(fs.existsSync(`${first.WinRarPath.slice(2).replaceAll('\\', '/')}Rar.exe`), first.WinRarPath);
      assert.ok(fs.existsSync(path.join(siteFolder, first.RarNoteFile)), first.RarNoteFile);
    }

    await saveSettings(page, ch, settings);
    const row = storedRow();
    for (const [name, value] of Object.entries({ ...settings, ...stored })) {
      assert.equal(String(row[name]), value, name);
    }
    assert.deepEqual(await readForm(page, Object.keys(settings)), settings);

    // An empty extension list is refused and changes nothing.
    assert.equal(await saveSettings(page, ch, { AllowDownExt: '' }), '请输入允许下载的文件类型!');
    assert.deepEqual(storedRow(), row);
  });

  test(`delete takes a ${label} item away and cache clearing lists what it removed`, async () => {
    await page.goto(ch.page);
    await Promise.all([
      page.waitForNavigation(),
      page.click('table.tableborder tr[align=center] >> nth=0 >> a:has-text("删除")'),
    ]);
    assert.equal(ch.item(firstId + 31), undefined);
    assert.equal(new URL(page.url()).pathname, pathname);
    assert.equal(await rowCount(), 30);
    await clearCache(page, ch);
  });
}

test('the download-server page adds, edits and deletes servers', async () => {
  await page.click('.admin-channels a:has-text("下载服务器")');
  await page.waitForLoadState();
  assert.equal(await page.title(), '下载服务器管理');
  await page.fill('input[name=DownloadName]', '镜像<一>');
  await Promise.all([page.waitForNavigation(), page.click('input[name=Submit]')]);
  const [added] = query(soft.hostDb, "SELECT * FROM QX_DownServer WHERE DownloadName='镜像<一>'");
  assert.equal(added.ChannelID, 2);
  assert.equal(added.rootid, added.downid);

  await page.fill('input[name=DownloadName]', '子站');
  await page.selectOption('select[name=rootid]', String(added.downid));
  await Promise.all([page.waitForNavigation(), page.click('input[name=Submit]')]);
  const [child] = query(soft.hostDb, "SELECT * FROM QX_DownServer WHERE DownloadName='子站'");
  assert.equal(child.depth, 1);
  assert.equal(child.rootid, added.downid);

  await page.goto(`${baseUrl}/admin/admin_Servered.asp?action=edit&downid=${added.downid}&ChannelID=2`);
  assert.equal(await page.inputValue('input[name=DownloadName]'), '镜像<一>');
  await page.fill('input[name=DownloadName]', '镜像二');
  await Promise.all([page.waitForNavigation(), page.click('input[name=Submit]')]);
  assert.equal(query(soft.hostDb, `SELECT DownloadName FROM QX_DownServer WHERE downid=${added.downid}`)[0].DownloadName, '镜像二');

  await Promise.all([
    page.waitForNavigation(),
    page.click(`a[href*="action=del&downid=${added.downid}&"]`),
  ]);
  assert.equal(
    query(soft.hostDb, `SELECT COUNT(*) AS n FROM QX_DownServer WHERE rootid=${added.downid}`)[0].n,
    0,
  );
  assert.match(await page.textContent('body'), /本地下载/);
});
