// The Flash channel's admin page as an administrator uses it: the channel
// bar leads there, the empty and the filled item list with its pager, the
// base settings saved and read back (the radio groups show what was
// stored), delete and cache clearing.
import assert from 'node:assert/strict';
import path from 'node:path';
import { after, before, test } from 'node:test';

import { baseUrl, dataFolder, itemRowCount, openAdminPage, query } from './browser.mjs';

const gatherDb = () => path.join(dataFolder, 'gather.db');
const flashPage = `${baseUrl}/admin/Admin_FlashGather.asp`;

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

test('the channel bar opens the empty Flash item list', async () => {
  await Promise.all([page.waitForNavigation(), page.click('.admin-channels a:has-text("动画采集")')]);
  assert.equal(new URL(page.url()).pathname, '/admin/Admin_FlashGather.asp');
  assert.equal(await page.title(), '动画采集管理');
  assert.equal(
    (await page.textContent('table.tableborder td.TableRow2')).trim(),
    '还没有找到任何采集项目！',
  );
});

test('the items of channel 5 are listed, newest run first', async () => {
  const values = [];
  for (let i = 1; i <= 31; i += 1) {
    values.push(
      `(${2000 + i}, '动画<${i}>', 'http://127.0.0.1/', 5, 0, 0, 0, ` +
        `'2026-01-01 10:${String(i).padStart(2, '0')}:00', 'http://127.0.0.1/list')`,
    );
  }
  query(
    gatherDb(),
    'INSERT INTO QX_FlashItem (ItemID, ItemName, SiteUrl, ChannelID, ClassID, SpecialID, ' +
      `StopItem, lastime, RemoteListUrl) VALUES ${values.join(',')}`,
  );
  await page.goto(flashPage);
  assert.equal(await rowCount(), 30);
  assert.equal(
    await page.textContent('table.tableborder tr[align=center] td:first-child'),
    '动画<31>',
  );
  const edit = await page.getAttribute('table.tableborder tr[align=center] a:has-text("编辑")', 'href');
  assert.equal(edit, '?action=edit&ItemID=2031&ChannelID=5');
});

test('the base settings are saved and read back, every field', async () => {
  await page.click('.admin-head a:has-text("采集基本设置")');
  await page.waitForLoadState();
  assert.match(await page.textContent('th'), /动画采集基本设置/);
  assert.equal(await page.$('input[name=TrueAddress]'), null);
  const text = {
    setInterval: '2500',
    MaxDownSize: '800',
    AllowDownExt: 'swf|gif|wmv',
    FilePrefix: 'pre_',
    FileSuffix: "_s'<x>\"",
  };
  const radios = { UseDownload: '9', RepeatDeal: '1', isProgress: '3' };
  for (const [name, value] of Object.entries(text)) await page.fill(`input[name=${name}]`, value);
  for (const [name, value] of Object.entries(radios)) await page.check(`input[name=${name}][value='${value}']`);
  await Promise.all([page.waitForNavigation(), page.click('input[name=B22]')]);

  const [row] = query(gatherDb(), 'SELECT * FROM QX_FlashConfig WHERE id=1');
  for (const [name, value] of Object.entries({ ...text, ...radios })) {
    assert.equal(String(row[name]), value, name);
  }

  // A stored 3 marks 显示速度 and 显示速度+进度条: the browser shows the later.
  await page.goto(`${flashPage}?action=config`);
  for (const [name, value] of Object.entries(text)) {
    assert.equal(await page.inputValue(`input[name=${name}]`), value, name);
  }
  for (const [name, value] of Object.entries(radios)) {
    assert.equal(await page.$eval(`input[name=${name}]:checked`, (e) => e.value), value, name);
  }

  // An empty extension list is refused and changes nothing.
  await page.fill('input[name=AllowDownExt]', '');
  await Promise.all([page.waitForURL(/action=save/), page.click('input[name=B22]')]);
  await page.waitForURL(/action=config/); // the alert, then back to the form
  assert.equal(query(gatherDb(), 'SELECT AllowDownExt FROM QX_FlashConfig')[0].AllowDownExt, 'swf|gif|wmv');
});

test('delete takes an item away and cache clearing lists what it removed', async () => {
  await page.goto(flashPage);
  await Promise.all([
    page.waitForNavigation(),
    page.click('table.tableborder tr[align=center] >> nth=0 >> a:has-text("删除")'),
  ]);
  assert.equal(query(gatherDb(), 'SELECT COUNT(*) AS n FROM QX_FlashItem WHERE ItemID=2031')[0].n, 0);
  assert.equal(new URL(page.url()).pathname, '/admin/Admin_FlashGather.asp');
  assert.equal(await rowCount(), 30);

  await page.click('.admin-head a:has-text("清除缓存")');
  await page.waitForLoadState();
  const lines = await page.$$eval('li', (items) => items.map((i) => i.textContent));
  assert.ok(lines.some((l) => /myzemble_flashconfig/.test(l)), lines.join('\n'));
  assert.equal(lines.at(-1), '当前站点全部缓存清理完成。');
});
