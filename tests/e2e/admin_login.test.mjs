// The administrator's first steps: the site leads to the login, a wrong
// password is refused, the right one opens the article channel's page with
// its empty item list, and the site's files are served while link lists,
// databases and paths outside the site are not.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { after, before, test } from 'node:test';

import { adminPassword, baseUrl, openAdminPage, rawGet, siteFolder } from './browser.mjs';

let admin;
let page;

before(async () => {
  ({ page } = admin = await openAdminPage(baseUrl, { login: false }));
});

after(() => admin?.close());

test('the site root leads to the login page', async () => {
  await page.goto(`${baseUrl}/`);
  assert.equal(new URL(page.url()).pathname, '/admin/Admin_Login.asp');
  assert.equal(await page.title(), '管理员登录');
  assert.equal(await page.inputValue('input[name=AdminName]'), 'admin');
});

test('a wrong password is refused', async () => {
  await page.fill('input[name=Password]', `${adminPassword}x`);
  await Promise.all([page.waitForNavigation(), page.click('input[type=submit]')]);
  assert.equal(new URL(page.url()).pathname, '/admin/Admin_Login.asp');
  assert.equal((await page.textContent('#LoginError')).trim(), '用户名或密码错误！');

  await page.goto(`${baseUrl}/admin/Admin_ArticleGather.asp`);
  assert.equal(new URL(page.url()).pathname, '/admin/Admin_Login.asp');
});

test('the right password opens the article page with its empty item list', async () => {
  await page.fill('input[name=Password]', adminPassword);
  await Promise.all([page.waitForNavigation(), page.click('input[type=submit]')]);
  assert.equal(new URL(page.url()).pathname, '/admin/Admin_ArticleGather.asp');
  assert.equal(await page.title(), '文章采集管理');
  // The admin markup is written for quirks mode.
  assert.equal(await page.evaluate(() => document.compatMode), 'BackCompat');
  assert.equal(await page.evaluate(() => document.characterSet.toLowerCase()), 'gbk');
  // The style sheet arrived and applies.
  const headColor = await page.evaluate(
    () => getComputedStyle(document.querySelector('.admin-head')).borderBottomStyle,
  );
  assert.equal(headColor, 'solid');
  assert.deepEqual(
    await page.$$eval('table.tableborder th', (cells) => cells.map((c) => c.textContent.trim())),
    ['项目名称', '所属分类', '所属专题', '状态', '上次采集时间', '管理操作'],
  );
  const emptyRow = await page.textContent('table.tableborder td.TableRow2');
  assert.equal(emptyRow.trim(), '还没有添加任何采集项目！');
  // include/showpage.js was loaded relative to the page and wrote the pager.
  const pager = await page.textContent('span.pager');
  assert.match(pager, /共 0 个文章采集/);
  assert.deepEqual(admin.pageErrors, []);
});

test('the admin folder itself leads to the article page', async () => {
  await page.goto(`${baseUrl}/admin/`);
  assert.equal(new URL(page.url()).pathname, '/admin/Admin_ArticleGather.asp');
});

test('site files are served with their types, private files are not', async () => {
  fs.writeFileSync(path.join(siteFolder, 'admin', 'tmpNewslist1.dat'), 'http://127.0.0.1/a.html');
  fs.writeFileSync(path.join(siteFolder, 'copy.db'), 'not for the browser');
  fs.mkdirSync(path.join(siteFolder, 'article', 'UploadPic'), { recursive: true });
  fs.writeFileSync(path.join(siteFolder, 'article', 'UploadPic', '1.gif'), 'GIF89a');

  const css = await rawGet('/css/admin.css');
  assert.equal(css.status, 200);
  assert.equal(css.headers['content-type'], 'text/css; charset=utf-8');
  const script = await rawGet('/admin/include/showpage.js');
  assert.equal(script.status, 200);
  assert.match(script.headers['content-type'], /^application\/javascript/);
  const picture = await rawGet('/article/UploadPic/1.gif');
  assert.equal(picture.status, 200);
  assert.equal(picture.headers['content-type'], 'image/gif');

  assert.equal((await rawGet('/admin/tmpNewslist1.dat')).status, 404);
  assert.equal((await rawGet('/copy.db')).status, 404);
  assert.equal((await rawGet('/admin/NoSuchPage.asp')).status, 404);
  assert.equal((await rawGet('/admin/../../data/ostrel.ini')).status, 403);
  assert.equal((await rawGet('/admin/%2e%2e/%2e%2e/data/host.db')).status, 403);
});
