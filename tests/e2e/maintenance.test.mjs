// The upload-file clean-up page in the browser: reached from the admin
// frame, a dry run lists the Flash channel's unreferenced downloads and
// deletes nothing, a confirmation that was not posted is refused (from
// another site already by the host's cross-site check), and the posted
// confirmation deletes exactly the listed files and says how many.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { after, before, test } from 'node:test';

import { baseUrl, dataFolder, openAdminPage, query, siteFolder } from './browser.mjs';

const folder = path.join(siteFolder, 'flash', 'UploadFile');
const file = (name) => path.join(folder, name);
const hourAgo = Date.now() / 1000 - 3600;

let admin;
let page;

before(async () => {
  for (const name of ['kept.swf', 'drop.swf', '2006-1/drop2.swf', 'fresh.swf']) {
    fs.mkdirSync(path.dirname(file(name)), { recursive: true });
    fs.writeFileSync(file(name), 'FWS');
    if (name !== 'fresh.swf') fs.utimesSync(file(name), hourAgo, hourAgo);
  }
  query(
    path.join(dataFolder, 'host.db'),
    "INSERT INTO QX_FlashList (ChannelID, title, showurl) VALUES (5, 'e2e', 'UploadFile/KEPT.swf')",
  );
  ({ page } = admin = await openAdminPage());
});

after(() => admin?.close());

test('the dry run lists the unreferenced files and deletes nothing', async () => {
  await Promise.all([page.waitForNavigation(), page.click('.admin-channels >> text=上传文件清理')]);
  assert.equal(await page.title(), '上传文件清理');
  // Its own menu row, and the rule that keeps fresh files.
  assert.deepEqual(
    await page.$$eval('.admin-head a', (links) => links.map((a) => a.textContent)),
    ['上传文件清理', '退出登录'],
  );
  assert.match(await page.textContent('#KeptRecent'), /最近五分钟内修改过的文件不会列出，也不会删除/);
  await page.selectOption('select[name=ChannelID]', '5');
  await page.selectOption('select[name=UploadDir]', 'UploadFile');
  await Promise.all([page.waitForNavigation(), page.click('#ListButton')]);
  assert.match(await page.textContent('#Found'), /\/flash\/UploadFile\/ 中有 2 个文件/);
  assert.deepEqual(
    await page.$$eval('#UselessFiles li', (items) => items.map((i) => i.textContent)),
    ['/flash/UploadFile/drop.swf', '/flash/UploadFile/2006-1/drop2.swf'],
  );
  assert.ok(fs.existsSync(file('drop.swf')));
});

test('only the posted confirmation deletes', async () => {
  const listing = page.url();
  const cleanUrl = `${baseUrl}/admin/Admin_Maintenance.asp?action=clean&ChannelID=5&UploadDir=UploadFile`;
  // From elsewhere the host's cross-site check refuses it; from the host's
  // own pages the page still wants the posted form.
  assert.equal((await page.goto(cleanUrl)).status(), 403);
  await page.goto(cleanUrl, { referer: listing });
  assert.equal((await page.textContent('#Refused')).trim(), '删除须从确认按钮提交。');
  assert.ok(fs.existsSync(file('drop.swf')));

  await page.goto(listing);
  await Promise.all([page.waitForNavigation(), page.click('#ConfirmButton')]);
  assert.match(await page.textContent('#Done'), /删除了 2 个无用文件/);
  assert.deepEqual(
    ['kept.swf', 'drop.swf', '2006-1/drop2.swf', 'fresh.swf'].map((name) =>
      fs.existsSync(file(name)),
    ),
    [true, false, false, true],
  );
  assert.deepEqual(admin.pageErrors, []);
});
