// Shared set-up of the browser tests: Debian's Chromium, headless, with a
// fresh profile, driven through playwright-core; the host that run.sh
// started; and a raw HTTP fetch that sends a path exactly as written.
import fs from 'node:fs';
import http from 'node:http';
import os from 'node:os';
import path from 'node:path';
import { chromium } from 'playwright-core';

export const baseUrl = process.env.OSTREL_URL;
export const adminPassword = process.env.OSTREL_ADMIN_PASSWORD;
export const siteFolder = process.env.OSTREL_SITE;

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

// GET of a path sent as it stands (no "." or ".." resolved on the way).
export function rawGet(rawPath) {
  const url = new URL(baseUrl);
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
