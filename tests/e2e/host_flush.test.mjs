// Output a page flushes reaches the browser while the page is still running:
// the host's test page (only there with --test-pages) flushes its first
// part, waits two seconds, then writes the rest.
import assert from 'node:assert/strict';
import { after, before, test } from 'node:test';

import { baseUrl, openBrowser } from './browser.mjs';

let browser;

before(async () => {
  browser = await openBrowser();
});

after(async () => {
  await browser?.close();
});

test('a flushed part shows before the page ends', async () => {
  const page = await browser.context.newPage();
  const started = Date.now();
  // Not awaited yet: goto settles only when the whole page has loaded.
  const loaded = page.goto(`${baseUrl}/test/Flush.asp`, { waitUntil: 'load' });
  await page.waitForSelector('#first', { state: 'attached', timeout: 1000 });
  const firstAt = Date.now() - started;
  assert.equal(await page.locator('#end').count(), 0, 'the end came with the first part');
  assert.equal((await page.textContent('#first')).trim(), '先到的部分');

  const response = await loaded;
  assert.equal(response.status(), 200);
  const endAt = Date.now() - started;
  assert.equal((await page.textContent('#end')).trim(), '页面结束');
  // The end was written two seconds after the flush.
  assert.ok(endAt - firstAt >= 1000, `first part at ${firstAt} ms, end at ${endAt} ms`);
  await page.close();
});
