// Shared set-up of the browser tests: Debian's Chromium, headless, with a
// fresh profile, driven through playwright-core; the hosts that run.sh
// started (the main one, and the demo one with the sample remote site); a
// raw HTTP fetch that sends a path exactly as written; the login; a look
// into a host's SQLite database; and the steps and checks that the channels'
// admin pages (articles, software, Flash) share.
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import http from 'node:http';
import os from 'node:os';
import path from 'node:path';
import { chromium } from 'playwright-core';

export const baseUrl = process.env.OSTREL_URL;
export const adminPassword = process.env.OSTREL_ADMIN_PASSWORD;
export const siteFolder = process.env.OSTREL_SITE;
export const dataFolder = process.env.OSTREL_DATA;

// The host started with --demo: its admin pages, the sample remote site it
// serves, its copy of the site tree and its data folder, and the demo/
// folder of the repository (the remote site's files).
export const demo = {
  url: process.env.OSTREL_DEMO_URL,
  remote: process.env.OSTREL_DEMO_REMOTE,
  siteFolder: process.env.OSTREL_DEMO_SITE,
  dataFolder: process.env.OSTREL_DEMO_DATA,
  files: process.env.OSTREL_DEMO_FILES,
};
// The main host, described as demo is.
export const mainHost = { url: baseUrl, siteFolder, dataFolder };

if (!baseUrl || !adminPassword || !siteFolder) {
  throw new Error('run the browser tests through tests/e2e/run.sh');
}

const chromiumFlags = [
  '--no-sandbox',
  '--disable-gpu',
  '--disable-quic',
  '--no-first-run',
  '--disable-background-networking',
  '--disable-component-update',
  '--disable-sync',
];

// A browser context with its own fresh profile folder; close() removes it.
export async function openBrowser() {
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'ostrel-chromium-'));
  const context = await chromium.launchPersistentContext(profile, {
    executablePath: '/usr/bin/chromium',
    headless: true,
    args: chromiumFlags,
  });
  return {
    context,
    async close() {
      await context.close();
      fs.rmSync(profile, { recursive: true, force: true });
    },
  };
}

// Clicks an element that may lie below the fold. A plain click scrolls the
// element into view and sends the mouse event at once, and Chromium routes
// that event by where the frames were before the scroll: where an
// out-of-process frame was (a sandboxed frame, such as a trial's, gets its
// own process), the click goes to that frame and the page never sees it.
// Scrolled first, the click waits for a frame drawn after the scroll.
export async function clickInView(page, selector) {
  const target = page.locator(selector);
  await target.scrollIntoViewIfNeeded();
  await page.evaluate(
    () => new Promise((resolve) => requestAnimationFrame(() => requestAnimationFrame(resolve))),
  );
  await target.click();
}

// Logs the page in on the host at url (its login form).
export async function logIn(page, url = baseUrl) {
  await page.goto(`${url}/admin/Admin_Login.asp`);
  await page.fill('input[name=AdminName]', 'admin');
  await page.fill('input[name=Password]', adminPassword);
  await Promise.all([page.waitForNavigation(), page.click('input[type=submit]')]);
  if (new URL(page.url()).pathname !== '/admin/Admin_ArticleGather.asp') {
    throw new Error(`login failed: ${page.url()}`);
  }
}

// The rows of a query on a SQLite file, as objects (sqlite3 -json).
export function query(dbFile, sql) {
  const out = execFileSync('sqlite3', ['-json', dbFile, sql], { encoding: 'utf8' });
  return out.trim() === '' ? [] : JSON.parse(out);
}

// GET of a path sent as it stands (no "." or ".." resolved on the way).
export function rawGet(rawPath, base = baseUrl) {
  const url = new URL(base);
  return new Promise((resolve, reject) => {
    const request = http.request(
      { host: url.hostname, port: url.port, path: rawPath, method: 'GET' },
      (response) => {
        const parts = [];
        response.on('data', (part) => parts.push(part));
        response.on('end', () =>
          resolve({
            status: response.statusCode,
            headers: response.headers,
            body: Buffer.concat(parts),
          }),
        );
      },
    );
    request.on('error', reject);
    request.end();
  });
}

// A page of its own browser for one test file, logged in on the host at url
// unless login is false: dialogs are accepted (a prompt with the next of
// answers, which the file may set) and their messages kept in dialogs, page
// errors collected in pageErrors (the file checks them); close() ends the
// browser.
export async function openAdminPage(url = baseUrl, { login = true } = {}) {
  const browser = await openBrowser();
  const page = await browser.context.newPage();
  const admin = {
    page,
    context: browser.context,
    pageErrors: [],
    dialogs: [],
    answers: [],
    close: () => browser.close(),
  };
  page.on('pageerror', (error) => admin.pageErrors.push(String(error)));
  page.on('dialog', async (dialog) => {
    admin.dialogs.push(dialog.message());
    await dialog.accept(dialog.type() === 'prompt' ? admin.answers.shift() : undefined);
  });
  if (login) await logIn(page, url);
  return admin;
}

// Writes pages (name -> HTML) into the folder named under the main host's
// site tree, where the host itself serves them as a remote site; returns
// the function that removes them again.
export function writeSitePages(folder, pages) {
  const dir = path.join(siteFolder, folder);
  fs.mkdirSync(dir, { recursive: true });
  for (const [name, html] of Object.entries(pages)) fs.writeFileSync(path.join(dir, name), html);
  return () => fs.rmSync(dir, { recursive: true, force: true });
}

// The rows of a channel's item list on the page.
export function itemRowCount(page) {
  return page.$$eval('table.tableborder tr[align=center]', (rows) => rows.length);
}

// Runs the item named itemName of the admin page at pageUrl from its 采集
// link to the summary, as the pages' own scripts lead on. onFirstStep runs
// while the first entry request waits. Returns every request of the run to
// that page with its body, and what each entry's panel showed once loaded.
export async function followRun(page, pageUrl, itemName, onFirstStep) {
  const steps = [];
  const panels = [];
  const pathname = new URL(pageUrl).pathname;
  const onResponse = (response) => {
    if (!response.request().isNavigationRequest()) return;
    const url = new URL(response.url());
    if (url.pathname !== pathname) return;
    steps.push({ url, body: response.text() });
  };
  const onLoad = async () => {
    if (!/action=savenew/.test(page.url())) return;
    try {
      panels.push(
        await page.evaluate(() => ({
          txt1: document.getElementById('txt1')?.textContent,
          txt2: document.getElementById('txt2')?.textContent,
          txt3: document.getElementById('txt3')?.textContent,
          showaddre: document.getElementById('showaddre')?.textContent,
          speed: document.getElementById('Proess1')?.textContent,
          bar: document.getElementById('tablePros')?.style.width,
        })),
      );
    } catch {
      // the next step came first
    }
  };
  let held = false;
  await page.route(/action=savenew/, async (route) => {
    if (!held) {
      held = true;
      await onFirstStep?.();
    }
    await route.continue();
  });
  await page.goto(pageUrl);
  page.on('response', onResponse);
  page.on('load', onLoad);
  const row = page.locator('tr', { hasText: itemName });
  await row.locator('a', { hasText: /^采集$/ }).click();
  await page.waitForURL(/action=yes/, { timeout: 120_000 });
  await page.waitForLoadState('load');
  page.off('response', onResponse);
  page.off('load', onLoad);
  await page.unroute(/action=savenew/);
  for (const step of steps) step.body = await step.body.catch(() => '');
  return { steps, panels };
}

// Each channel: its number, the word its tables and files take, its admin
// page, its entries' table and its pages' title.
const channelKinds = {
  article: [1, 'News', 'Admin_ArticleGather.asp', 'QX_Article', '文章采集管理'],
  soft: [2, 'Soft', 'admin_SoftGather.asp', 'QX_SoftList', '软件采集管理'],
  flash: [5, 'Flash', 'Admin_FlashGather.asp', 'QX_FlashList', '动画采集管理'],
};

// A channel (article, soft or flash) on a host (mainHost or demo): its admin
// page and item list, its tables (items and settings in gather.db as
// QX_<kind>Item and QX_<kind>Config, entries in host.db) and the looks into
// them the tests share.
export function channel(name, host = mainHost) {
  const [id, kind, file, entries, title] = channelKinds[name];
  const gatherDb = path.join(host.dataFolder, 'gather.db');
  const hostDb = path.join(host.dataFolder, 'host.db');
  const items = `QX_${kind}Item`;
  const page = `${host.url}/admin/${file}`;
  const config = `QX_${kind}Config`;
  return {
    id, kind, entries, title, host, gatherDb, hostDb, items, config, page,
    list: `${page}?ChannelID=${id}`,
    edit: (itemId) => `${page}?action=edit&ChannelID=${id}&ItemID=${itemId}`,
    item: (itemId) => query(gatherDb, `SELECT * FROM ${items} WHERE ItemID = ${itemId}`)[0],
    itemsNamed: (itemName) =>
      query(gatherDb, `SELECT * FROM ${items} WHERE ItemName = '${itemName}' ORDER BY ItemID`),
    itemId: (itemName) =>
      query(gatherDb, `SELECT ItemID FROM ${items} WHERE ItemName = '${itemName}'`)[0].ItemID,
    entryCount: () => query(hostDb, `SELECT COUNT(*) AS n FROM ${entries}`)[0].n,
  };
}

// Adds classes of the channel on its host, each given as the values of
// (ClassID, ClassName, depth, TurnLink, child, rootid, orders, parentid,
// Parentstr, ClassDir, HtmlFileDir); returns what removes them and the
// channel's entries filed under them.
export function addClasses(ch, ...classes) {
  const sqlValue = (v) => (typeof v === 'number' ? String(v) : `'${v}'`);
  const rows = classes.map(([classId, ...rest]) => `(${[classId, ch.id, ...rest].map(sqlValue).join(', ')})`);
  query(
    ch.hostDb,
    'INSERT OR IGNORE INTO QX_Classify (ClassID, ChannelID, ClassName, depth, TurnLink, child, ' +
      `rootid, orders, parentid, Parentstr, ClassDir, HtmlFileDir) VALUES ${rows.join(', ')}`,
  );
  const ids = classes.map(([classId]) => classId).join(', ');
  return () => {
    query(ch.hostDb, `DELETE FROM QX_Classify WHERE ClassID IN (${ids})`);
    query(ch.hostDb, `DELETE FROM ${ch.entries} WHERE ClassID IN (${ids})`);
  };
}

// Sends the page's form through the button named name and waits for the
// page that answers.
export async function submit(page, name = 'B22') {
  await Promise.all([page.waitForNavigation(), clickInView(page, `input[name=${name}]`)]);
}

// Fills the page's form, field by name: a text field or area takes its
// text, a list the value of its option, a radio group the value of the one
// to check, a box true or false.
export async function fillForm(page, fields) {
  for (const [name, value] of Object.entries(fields)) {
    const type = await page.$eval(`[name=${name}]`, (e) => (e.tagName === 'SELECT' ? 'select' : e.type));
    if (type === 'select') await page.selectOption(`select[name=${name}]`, value);
    else if (type === 'radio') await page.check(`input[name=${name}][value="${value}"]`);
    else if (type === 'checkbox') await page.setChecked(`input[name=${name}]`, value);
    else await page.fill(`[name=${name}]`, value);
  }
}

// What the form's fields named show, as fillForm takes them.
export async function readForm(page, names) {
  const values = {};
  for (const name of names) {
    values[name] = await page.$$eval(`[name=${name}]`, ([field, ...rest]) => {
      if (field.type === 'radio') return [field, ...rest].find((e) => e.checked)?.value;
      return field.type === 'checkbox' ? field.checked : field.value;
    });
  }
  return values;
}

// Fills the step's numbered code fields prefix0, prefix1, ... (number ->
// code) and sends the step: the item's column prefix stores each code at its
// place ("$$$" between). Returns the stored codes.
export async function sendCodes(page, ch, itemId, prefix, codes) {
  for (const [i, code] of Object.entries(codes)) await page.fill(`textarea[name=${prefix}${i}]`, code);
  await submit(page);
  const stored = ch.item(itemId)[prefix].split('$$$');
  for (const [i, code] of Object.entries(codes)) assert.equal(stored[i], code, `${prefix}${i}`);
  return stored;
}

// Saves the fields given on the channel's base settings page: the page
// alerts its answer, returned, and shows the settings again.
export async function saveSettings(page, ch, fields) {
  await page.goto(`${ch.page}?action=config`);
  await fillForm(page, fields);
  let answer;
  page.once('dialog', (dialog) => { answer = dialog.message(); });
  await Promise.all([page.waitForURL(/action=save/), page.click('input[name=B22]')]);
  await page.waitForURL(/action=config/);
  return answer;
}

// Opens the editor's first step for a new item: no pagination row yet.
export async function openNewItem(page, ch) {
  await page.goto(`${ch.page}?action=add`);
  assert.equal((await page.textContent('th')).trim(), '添加新的采集项目');
  assert.equal(await page.isVisible('#Pageinate1'), false);
}

// Sends the first step with the item's name, the fields given and its
// source view on: returns the item stored under its name, whose number the
// next step carries.
export async function sendNewItem(page, ch, itemName, fields) {
  await fillForm(page, { ItemName: itemName, ...fields, ShowCode: true });
  await submit(page);
  const [row] = ch.itemsNamed(itemName);
  assert.ok(row, 'the item was stored');
  assert.equal(await page.inputValue('input[name=ItemID]'), String(row.ItemID));
  return row;
}

// Opens a page of the item's editor as its navigation row links it
// ("设置第三步", "项目演示", ...).
export async function openFromMenu(page, ch, itemId, link) {
  await page.goto(ch.edit(itemId));
  await Promise.all([page.waitForNavigation(), page.click(`a:has-text("${link}")`)]);
}

// The editor's last step says the item is set up.
export async function assertSetUpDone(page) {
  assert.match(await page.textContent('table.TableBorder'), /恭喜您！采集项目设置全部完成。/);
}

// A trial's page: its table shows each of texts, and the entry's content,
// held in a frame sandboxed with no permission, each of contents. Returns
// the content's text.
export async function assertTrial(page, texts, contents = []) {
  const text = await page.textContent('table.TableBorder');
  for (const pattern of texts) assert.match(text, pattern);
  assert.equal(await page.getAttribute('div.style2 iframe', 'sandbox'), '');
  const content = await page.frameLocator('div.style2 iframe').locator('body').textContent();
  for (const pattern of contents) assert.match(content, pattern);
  return content;
}

// Markup a remote page carries to act in the admin page that shows it.
export const hostileMarkup =
  '<script>top.document.title="taken";</script>' +
  '<img src="nothing.gif" onerror="top.document.title=\'taken\';alert(1)">';

// After a trial of a hostile page: nothing of it acted in the admin page
// (no script link or handler left, the title kept, no alert), no page error
// and no entry stored.
export async function assertHostileInert({ page, dialogs, pageErrors }, ch) {
  assert.equal(await page.locator('table.TableBorder a[href^="javascript:"]').count(), 0);
  assert.equal(await page.locator('table.TableBorder [onmouseover]').count(), 0);
  await page.waitForTimeout(300);
  assert.equal(await page.title(), ch.title);
  assert.deepEqual(dialogs.filter((d) => d === '1' || d === '2'), []);
  assert.deepEqual(pageErrors, []);
  assert.equal(ch.entryCount(), 0);
}

// Opens the item's editor and saves its steps one by one as they stand:
// the stored row keeps every column. atStep1 runs on the first step's page;
// the last step's button leads back to the channel's item list.
export async function saveStepsUnchanged({ page, pageErrors }, ch, itemId, itemName, atStep1) {
  const row = ch.item(itemId);
  await page.goto(ch.edit(itemId));
  assert.equal(await page.inputValue('input[name=ItemName]'), itemName);
  await atStep1?.();
  for (let step = 1; step <= 3; step += 1) {
    await submit(page);
    assert.deepEqual(ch.item(itemId), row, `after the save of step ${step}`);
  }
  await assertSetUpDone(page);
  await submit(page, 'B22');
  assert.equal(new URL(page.url()).search, `?ChannelID=${ch.id}`);
  assert.deepEqual(pageErrors, []);
}

// Clones the item from its row of the item list and deletes the clone from
// its row. Typed in, with no page of this host behind it, a clone or a save
// is refused; the clone copies every column but its number and time, and
// heads the list (it was stamped last).
export async function cloneAndDelete({ page, dialogs }, ch, itemId, itemName) {
  assert.equal((await page.goto(`${ch.page}?action=copy&ItemID=${itemId}`)).status(), 403);
  assert.equal((await page.goto(`${ch.page}?action=step4&change=yes&ItemID=${itemId}`)).status(), 403);
  await page.goto(ch.list);
  const rows = page.locator('tr', { hasText: itemName });
  assert.equal(await rows.count(), 1);
  await Promise.all([
    page.waitForURL(/action=copy/),
    rows.first().locator('a', { hasText: /^克隆$/ }).click(),
  ]);
  await page.waitForURL((url) => !url.search.includes('action=copy'));
  await page.waitForLoadState('load');
  assert.equal(dialogs.at(-1), '恭喜您！采集项目克隆成功。');
  const items = ch.itemsNamed(itemName);
  assert.equal(items.length, 2);
  const [source, copy] = items;
  for (const column of Object.keys(source)) {
    if (column !== 'ItemID' && column !== 'lastime') {
      assert.deepEqual(copy[column], source[column], column);
    }
  }
  const first = page.locator('tr[align=center]').first();
  assert.match(await first.innerHTML(), new RegExp(`ItemID=${copy.ItemID}&`));
  await Promise.all([page.waitForNavigation(), first.locator('a', { hasText: /^删除$/ }).click()]);
  assert.equal(new URL(page.url()).search, `?ChannelID=${ch.id}`);
  assert.equal(dialogs.at(-1), '您确定要删除此项目吗?');
  assert.equal(ch.item(copy.ItemID), undefined);
  assert.ok(ch.item(itemId));
  assert.equal(await rows.count(), 1);
}

// Clears the channel's cached settings and items through its page's own
// link (a typed action address has no Referer, and the host refuses it);
// the page lists its settings among what it cleared, then says it is done.
export async function clearCache(page, ch) {
  await page.goto(ch.list);
  await Promise.all([page.waitForURL(/action=remove/), page.click('.admin-head a:has-text("清除缓存")')]);
  const lines = await page.$$eval('li', (items) => items.map((li) => li.textContent));
  const settings = `更新 myzemble_${ch.kind.toLowerCase()}config 完成`;
  assert.ok(lines.includes(settings), lines.join('\n'));
  assert.equal(lines.at(-1), '当前站点全部缓存清理完成。');
}

// Runs the item as followRun does, reading its link list (the file
// tmp<kind>list<ItemID>.dat in admin/) and asking the host for it while the
// first entry waits: the host never serves the list, and removes it after
// the run. Returns the run and the list's bytes.
export async function runReadingList(page, ch, itemName) {
  const name = `tmp${ch.kind}list${ch.itemId(itemName)}.dat`;
  const file = path.join(ch.host.siteFolder, 'admin', name);
  let list;
  let served;
  const run = await followRun(page, ch.page, itemName, async () => {
    list = fs.readFileSync(file);
    served = await rawGet(`/admin/${name}`, ch.host.url);
  });
  assert.notEqual(served.status, 200);
  assert.equal(fs.existsSync(file), false);
  return { ...run, list };
}

// A run's requests were begin, a savenew step for each of its lines and
// one past the last (the first of them without a page number), then the
// summary.
export function assertRunSteps(steps, lines) {
  const actions = steps.map((s) => s.url.searchParams.get('action'));
  assert.deepEqual(actions, ['begin', ...Array(lines + 1).fill('savenew'), 'yes']);
  assert.deepEqual(
    steps.slice(1, lines + 2).map((s) => s.url.searchParams.get('page')),
    [null, ...Array.from({ length: lines }, (_, i) => String(i + 1))],
  );
}

// The entry panels a run showed (the step past the last line has none): at
// least atLeast, each with the texts expected (a string to equal, a pattern
// to match), the progress line and the bar at its full 400 pixels.
export function assertPanels(panels, atLeast, expected) {
  const shown = panels.filter((p) => p.txt1 !== undefined);
  assert.ok(shown.length >= atLeast, `panels seen: ${shown.length}`);
  // The last progress text: the whole file, at a speed above 0 however
  // fast it came.
  const checks = { speed: /^进度：[\d,]+ \/ 速度：(?!0 字节).* \/ 大小：\d+$/, bar: '400px', ...expected };
  for (const panel of shown) {
    const [, got, size] = panel.speed?.match(/^进度：([\d,]+) .* 大小：(\d+)$/) ?? [];
    assert.equal(got?.replaceAll(',', ''), size, 'the last progress text shows the full size');
    for (const [key, want] of Object.entries(checks)) {
      if (want instanceof RegExp) assert.match(panel[key], want, key);
      else assert.equal(panel[key], want, key);
    }
  }
}
