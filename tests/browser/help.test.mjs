// The help page opens offline, its contents links lead somewhere, and it passes the audit.
import assert from 'node:assert/strict';
import { createRequire } from 'node:module';
import { join } from 'node:path';
import { after, before, test } from 'node:test';
import { pathToFileURL } from 'node:url';
import { binDir, launch } from './helpers.mjs';

let browser;
before(async () => {
  browser = await launch();
});
after(async () => {
  await browser?.close();
});

test('help page: self-contained, working links, no accessibility violations', async () => {
  const page = await browser.newPage();
  const requests = [];
  page.on('request', (r) => requests.push(r.url()));
  const url = pathToFileURL(join(binDir, 'quorvane.html')).href;
  await page.goto(url);
  assert.deepEqual(requests, [url], 'nothing but the page itself is loaded');
  const broken = await page.evaluate(() => [...document.querySelectorAll('a[href]')]
    .map((a) => a.getAttribute('href'))
    .filter((h) => !h.startsWith('#') || !document.getElementById(h.slice(1))));
  assert.deepEqual(broken, []);
  const text = await page.locator('main').innerText();
  for (const words of ['Add Sub Item', 'Keep Selected Path Highlighted', 'tridarkleft.gif',
    'quorvane-gen DESIGN.mnu', 'Copy to Clipboard', 'Open Menu', 'narrower than 600 pixels',
    'name="viewport"', 'Undo Delete Products', 'Move In']) {
    assert.ok(text.includes(words), `mentions ${words}`);
  }
  await page.addScriptTag({ path: createRequire(import.meta.url).resolve('axe-core/axe.min.js') });
  const violations = await page.evaluate(async () => (await window.axe.run(document, {
    runOnly: { type: 'tag', values: ['wcag2a', 'wcag2aa', 'wcag21a', 'wcag21aa'] },
  })).violations.map((v) => v.id));
  assert.deepEqual(violations, []);
  await page.close();
});
