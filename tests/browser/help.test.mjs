// The help page opens offline, its contents links lead somewhere, and it passes the audit.
import assert from 'node:assert/strict';
import { createRequire } from 'node:module';
import { test } from 'node:test';
import { binDir, browser, serve, useBrowser } from './helpers.mjs';

useBrowser();

test('help page: self-contained, working links, no accessibility violations', async () => {
  // Served over HTTP, where both browsers report what the page loads
  const server = await serve(binDir);
  const page = await browser.newPage({ viewport: { width: 1280, height: 720 } });
  const requests = [];
  page.on('request', (r) => requests.push(r.url()));
  const url = server.url('quorvane.html');
  await page.goto(url);
  // (data: addresses are no loads: Firefox reports one of its own)
  assert.deepEqual(requests.filter((r) => !r.startsWith('data:')), [url],
    'nothing but the page itself is loaded');
  const broken = await page.evaluate(() => [...document.querySelectorAll('a[href]')]
    .map((a) => a.getAttribute('href'))
    .filter((h) => !h.startsWith('#') || !document.getElementById(h.slice(1))));
  assert.deepEqual(broken, []);
  const text = await page.locator('main').innerText();
  for (const words of ['Add Sub Item', 'Keep Selected Path Highlighted', 'tridarkleft.gif',
    'quorvane-gen DESIGN.mnu', 'Copy to Clipboard', 'Open Menu', 'narrower than 600 pixels',
    'name="viewport"', 'Undo Delete Products', 'Move In', 'quorvane-gen --import SOURCE',
    'Importing a site\'s navigation', 'quorvane-gen DESIGN.mnu --publish SITE',
    'data-quorvane-menu="NAME"', 'Unpublish']) {
    assert.ok(text.includes(words), `mentions ${words}`);
  }
  await page.addScriptTag({ path: createRequire(import.meta.url).resolve('axe-core/axe.min.js') });
  const violations = await page.evaluate(async () => (await window.axe.run(document, {
    runOnly: { type: 'tag', values: ['wcag2a', 'wcag2aa', 'wcag21a', 'wcag21aa'] },
  })).violations.map((v) => v.id));
  assert.deepEqual(violations, []);
  await page.close();
  server.close();
});
