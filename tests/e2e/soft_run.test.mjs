// A whole software gathering run of the demo's software item in the
// browser, driven by the pages' own scripts: the link list (never served),
// one savenew step per entry with its panel and the progress of its
// download, the re-packed files in the site, the rows in QX_SoftList with
// the defaults the pages leave to them, the summary; a second run stores
// nothing new.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { after, before, test } from 'node:test';

import {
  assertPanels, assertRunSteps, channel, clearCache, demo, followRun, openAdminPage, query,
  runReadingList,
} from './browser.mjs';

const itemName = '演示站点：本地软件';
const soft = channel('soft', demo);

let admin;
let page;

before(async () => {
  ({ page } = admin = await openAdminPage(demo.url));
});

after(() => admin?.close());

// Runs the item from its 采集 link to the summary.
const runItem = () => followRun(page, soft.page, itemName);

test('a run of the demo software item downloads, re-packs and stores every entry', async () => {
  const { steps, panels, list } = await runReadingList(page, soft, itemName);

  // The link list: both list pages' five entries, GB2312, CRLF between.
  const links = [1, 2, 3, 4, 5].map((n) => `${demo.remote}/soft/soft_0${n}.html`);
  assert.deepEqual(list, Buffer.from(links.join('\r\n')));
  assertRunSteps(steps, 5);
  // Progress numbers: line 2 of 5 shows 40.00 % and a bar of 160 pixels.
  assert.match(steps[3].body, /正在采集第 <font color='red'><b>2<\/b><\/font>/);
  assert.match(steps[3].body, /<table width='160' height='12'/);
  assert.match(steps[3].body, /40\.00 %/);

  // Each entry's download: the size and address before the transfer, the
  // bar moving up to 400 pixels, the re-pack, the status.
  for (const step of steps.slice(1, 6)) {
    const widths = [...step.body.matchAll(/tablePros\.style\.width=(\d+);/g)].map((m) => +m[1]);
    assert.ok(widths.length >= 3, step.url.search);
    assert.ok(widths.some((w) => w > 0 && w < 400), `no width between: ${widths}`);
    assert.equal(widths.at(-1), 400);
    assert.match(step.body, /Proess1\.innerHTML='进度：/);
    assert.match(step.body, /showaddre\.innerHTML='<font color=red>恭喜您！压缩文档处理成功。/);
  }
  assertPanels(panels, 4, {
    txt1: '软件采集成功',
    txt2: '软件采集成功',
    txt3: /KB \([\d,]+ Bytes\)/,
    showaddre: '恭喜您！压缩文档处理成功。',
  });
  assert.match(await page.textContent('b.style2'), /成功采集软件 5 个/);
  assert.deepEqual(admin.pageErrors, []);

  const rows = query(
    soft.hostDb,
    `SELECT SoftName, SoftVer, Languages, SoftType, impower, RunSystem, Contact, Homepage,
            SoftImage, DownAddress, SoftSize, content, username FROM QX_SoftList
     WHERE ChannelID = 2 ORDER BY softid`,
  );
  assert.deepEqual(
    rows.map((r) => r.SoftName),
    ['演示压缩工具', '演示看图精灵', '演示音乐播放器', '演示安装向导', '演示记事本'],
  );
  const byName = Object.fromEntries(rows.map((r) => [r.SoftName, r]));
  assert.equal(byName['演示压缩工具'].Languages, '简体中文');
  assert.equal(byName['演示压缩工具'].SoftType, '国产软件');
  assert.equal(byName['演示压缩工具'].impower, '免费软件');
  assert.equal(byName['演示看图精灵'].Languages, '英文');
  assert.equal(byName['演示音乐播放器'].SoftVer, '3.5');
  for (const r of rows) {
    assert.equal(r.username, 'admin');
    assert.match(r.Homepage, /^http:\/\/www\.\w+\.example$/);
    assert.match(r.SoftImage, /^UploadPic\/.+\.(jpg|png)$/);
    assert.ok(fs.existsSync(path.join(demo.siteFolder, 'soft', r.SoftImage)), r.SoftImage);
    assert.ok(!r.content.includes('广告'), `${r.SoftName}: the filter text stayed`);
    const [caption, file] = r.DownAddress.split('|||');
    assert.equal(caption, '点击此处下载');
    assert.match(file, /^\/soft\/UploadFile\/.+\.zip$/);
    const saved = path.join(demo.siteFolder, file);
    assert.ok(fs.existsSync(saved), file);
    // The re-packer's size in kilobytes, rounded its own way.
    assert.ok(Math.abs(r.SoftSize - fs.statSync(saved).size / 1024) <= 1, `${r.SoftSize}`);
  }
  assert.equal(query(soft.hostDb, 'SELECT COUNT(*) AS n FROM QX_DownAddress')[0].n, 0);
  // Nothing waits for a re-pack any more.
  const waiting = path.join(demo.siteFolder, 'soft', 'DownFile');
  assert.deepEqual(fs.existsSync(waiting) ? fs.readdirSync(waiting) : [], []);
});

test('a second run stores nothing new and says so', async () => {
  const { steps } = await runItem();
  for (const step of steps.slice(1, 6)) {
    assert.match(step.body, /txt2\.innerHTML='目标软件已存在，不予采集'/);
  }
  assert.match(await page.textContent('b.style2'), /成功采集软件 0 个/);
  assert.equal(soft.entryCount(), 5);
});

test('test mode counts without storing; an update keeps the rows and links the server', async () => {
  const itemId = soft.itemId(itemName);
  const before = query(soft.hostDb, 'SELECT softid, SoftName FROM QX_SoftList ORDER BY softid');
  // Addresses kept and followed through their 302, on the download server.
  query(soft.gatherDb, `UPDATE QX_SoftConfig SET UseDownload = 9, TrueAddress = 1, RepeatDeal = 1;
                     UPDATE QX_SoftItem SET IsDown = 0, downid = 1 WHERE ItemID = ${itemId}`);
  await clearCache(page, soft);

  let { steps } = await runItem();
  for (const step of steps.slice(1, 6)) {
    assert.match(step.body, /txt1\.innerHTML='软件采集成功'/);
    assert.match(step.body, new RegExp(`id='showaddre'><a href='${demo.remote}/soft/files/`));
  }
  assert.match(await page.textContent('b.style2'), /成功采集软件 5 个/);
  assert.equal(query(soft.hostDb, 'SELECT COUNT(*) AS n FROM QX_DownAddress')[0].n, 0);

  query(soft.gatherDb, 'UPDATE QX_SoftConfig SET UseDownload = 0');
  await clearCache(page, soft);
  ({ steps } = await runItem());
  assert.deepEqual(query(soft.hostDb, 'SELECT softid, SoftName FROM QX_SoftList ORDER BY softid'), before);
  const links = query(
    soft.hostDb,
    `SELECT l.DownFileName, l.downid, s.DownAddress FROM QX_DownAddress l
     JOIN QX_SoftList s ON s.softid = l.softid AND l.ChannelID = 2 ORDER BY l.softid`,
  );
  assert.deepEqual(
    links.map((l) => l.DownFileName),
    ['tool1.zip', 'viewer.zip', 'player.rar', 'setup.exe', 'notes.zip'],
  );
  assert.ok(links.every((l) => l.downid === 1 && l.DownAddress === '|||'));
});
