// Shared set-up of the browser tests: Debian's Chromium, headless, with a
// fresh profile, driven through playwright-core; the hosts that run.sh
// started (the main one, and the demo one with the sample remote site); a
// raw HTTP fetch that sends a path exactly as written; the login; and a
// look into a host's SQLite database.
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

// A logged-in page of its own browser for one test file: dialogs are
// accepted, page errors collected in pageErrors (the file checks them at
// its end); close() ends the browser.
export async function openAdminPage(url = baseUrl) {
  const browser = await openBrowser();
  const page = await browser.context.newPage();
  const pageErrors = [];
  const dialogs = [];
  page.on('pageerror', (error) => pageErrors.push(String(error)));
  page.on('dialog', async (dialog) => {
    dialogs.push(dialog.message());
    await dialog.accept();
  });
  await logIn(page, url);
  return { page, pageErrors, dialogs, close: () => browser.close() };
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
