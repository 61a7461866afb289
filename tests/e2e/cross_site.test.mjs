// A page of another site, opened by the logged-in administrator, links to,
// posts to and embeds every action of the article page that changes state,
// plants the action in a cookie (cookies know no ports) and embeds the
// logout link; nothing changes and the session lives on. Two attackers:
// another port of the same address (the session cookie goes along, so the
// host's Origin/Referer check is what refuses) and another host name (the
// SameSite=Strict cookie stays home). The refusal leads to the item list.
// Then the logout link ends the session on the server.
import assert from 'node:assert/strict';
import http from 'node:http';
import path from 'node:path';
import { after, before, test } from 'node:test';

import { baseUrl, dataFolder, openAdminPage, query, rawGet } from './browser.mjs';

const gatherDb = path.join(dataFolder, 'gather.db');
const page = `${baseUrl}/admin/Admin_ArticleGather.asp`;
let admin;
let tab;
let attacker;
let itemId;

function state() {
  return JSON.stringify([
    query(gatherDb, 'SELECT ItemID, ItemName, StopItem FROM QX_NewsItem ORDER BY ItemID'),
    query(gatherDb, 'SELECT * FROM QX_NewsConfig'),
  ]);
}

// The hostile page: every changing action as a link, an image, a frame and
// a form posted into a frame as soon as the page loads.
function hostilePage() {
  const actions = [
    `action=del&ChannelID=1&ItemID=${itemId}`,
    `action=copy&ChannelID=1&ItemID=${itemId}`,
    'action=remove&ChannelID=1',
    `action=begin&ChannelID=1&ItemID=${itemId}`,
    `action=savenew&ChannelID=1&ItemID=${itemId}`,
    `action=step2&change=yes&ChannelID=1&ItemID=${itemId}&ItemName=pwned`,
  ];
  const parts = [
    '<html><body>',
    '<script>document.cookie="action=del; path=/";document.cookie="change=yes; path=/";</script>',
    `<img src="${page}?ChannelID=1&ItemID=${itemId}">`,
    `<img src="${baseUrl}/admin/Admin_Logout.asp">`,
  ];
  actions.forEach((action, i) => {
    parts.push(`<a id="link${i}" href="${page}?${action}">x</a>`);
    parts.push(`<img src="${page}?${action}">`);
    parts.push(`<iframe src="${page}?${action}"></iframe>`);
  });
  parts.push(
    `<iframe name="sink"></iframe><form id="f" method="post" target="sink" action="${page}?action=save">` +
      '<input name="action" value="save"><input name="ChannelID" value="1"></form>',
    `<form id="g" method="post" target="sink" action="${page}">` +
      `<input name="action" value="del"><input name="ItemID" value="${itemId}"></form>`,
    '<script>document.getElementById("f").submit();' +
      'setTimeout(function(){document.getElementById("g").submit();},300);</script>',
    '</body></html>',
  );
  return parts.join('\n');
}

before(async () => {
  query(
    gatherDb,
    "INSERT INTO QX_NewsItem (ItemName, ChannelID, ClassID, SpecialID, StopItem) VALUES ('跨站目标', 1, 2, 0, 0)",
  );
  itemId = query(gatherDb, "SELECT MAX(ItemID) AS id FROM QX_NewsItem")[0].id;
  attacker = http.createServer((request, response) => {
    response.writeHead(200, { 'Content-Type': 'text/html; charset=utf-8' });
    response.end(hostilePage());
  });
  await new Promise((resolve) => attacker.listen(0, '127.0.0.1', resolve));
  ({ page: tab } = admin = await openAdminPage());
});

after(async () => {
  await admin?.close();
  attacker?.close();
});

for (const hostName of ['127.0.0.1', 'localhost']) {
  test(`a page on http://${hostName}:PORT changes nothing`, async () => {
    const before = state();
    const origin = `http://${hostName}:${attacker.address().port}`;
    await tab.goto(`${origin}/`);
    await tab.waitForTimeout(1500);
    for (let i = 0; i < 6; i++) {
      await tab.goto(`${origin}/`);
      await Promise.all([tab.waitForNavigation(), tab.click(`#link${i}`)]);
      const text = await tab.textContent('body');
      assert.ok(/拒绝执行|管理员登录/.test(text), `link ${i} ran: ${text.slice(0, 200)}`);
    }
    assert.equal(state(), before);
    // The refusal keeps its 403 and leads to the channel's item list.
    await tab.goto(`${origin}/`);
    const [refusal] = await Promise.all([tab.waitForNavigation(), tab.click('#link0')]);
    assert.equal(refusal.status(), 403);
    assert.match(await tab.textContent('body'), /请从该操作所属的管理页面重新发起这个操作/);
    // Clicked in the page: the short notice page is at times reported as
    // outside the viewport to a pointer click.
    await tab.$eval('#RefusedBack', (a) => a.click());
    await tab.waitForURL(`${page}?ChannelID=1`);
    assert.match(await tab.textContent('body'), /跨站目标/);
    // The host's own pages still run the same action.
    await tab.goto(page);
    await tab.goto(`${page}?action=copy&ChannelID=1&ItemID=${itemId}`, { referer: page });
    assert.notEqual(state(), before);
  });
}

test('the logout link ends the session on the server', async () => {
  await tab.goto(page);
  const cookies = await admin.context.cookies(baseUrl);
  const session = cookies.find((c) => c.name === 'ASPSESSIONID');
  assert.equal(session.sameSite, 'Strict');
  await Promise.all([tab.waitForNavigation(), tab.click('#Logout')]);
  assert.equal(new URL(tab.url()).pathname, '/admin/Admin_Login.asp');
  // The old id no longer opens the admin pages, even when sent again.
  const stale = await new Promise((resolve, reject) => {
    const url = new URL(page);
    http
      .get({ host: url.hostname, port: url.port, path: url.pathname, headers: { Cookie: `ASPSESSIONID=${session.value}` } }, resolve)
      .on('error', reject);
  });
  assert.equal(stale.statusCode, 302);
  assert.equal((await rawGet('/favicon.ico')).status, 200);
});
