// Text at its edges, from the project file to what the visitor sees: files written by older
// tools in Windows-1252, tabs, backslashes, characters outside the basic plane and very long
// links reach the page exactly.
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { readFileSync, writeFileSync } from 'node:fs';
import { join } from 'node:path';
import { test } from 'node:test';
import {
  browser, dir, generate, generator, item, mnuText, openPage, pageUrl, useBrowser,
} from './helpers.mjs';

useBrowser();

const open = (url) => openPage(browser, url, { viewport: { width: 1000, height: 600 } });

// What the visitor reads in each root item, and where each root's link points.
const shown = (page) => page.locator('nav.qvm .qvm-top > li .qvm-x').evaluateAll((list) =>
  list.map((e) => e.textContent));
const links = (page) => page.locator('nav.qvm .qvm-top > li a').evaluateAll((list) =>
  list.map((a) => a.getAttribute('href')));

test('a project file from an older tool in Windows-1252 shows its accents', async () => {
  // The caption and link as an older tool wrote them: one byte per character.
  const caption = 'Café – “Menü” \\ tab\there';
  const link = 'menü.html?a=b\\c';
  const text = mnuText({ items: [item(caption, link, { width: 300 })] });
  const mnu = join(dir, 'old.mnu');
  const bytes = Buffer.from(text.replace('–', '\x96').replace('“', '\x93').replace('”', '\x94'),
    'latin1');
  assert.equal(bytes.includes(0xc3), false, 'no UTF-8 sequences in the old file');
  writeFileSync(mnu, bytes);
  const out = join(dir, 'old.htm');
  execFileSync(generator, [mnu, '--preview', '-o', out]);
  const page = await open(pageUrl(dir, readFileSync(out, 'latin1'), { name: 'old-page.htm' }));
  assert.deepEqual(await shown(page), [caption]);
  assert.deepEqual(await links(page), [link]);
  await page.done();
});

test('tabs, backslashes, astral characters and a 10,000-character link arrive whole', async () => {
  const long = 'https://example.com/' + 'a1/'.repeat(3400) + 'end.html?q=\\"x\\"';
  assert.ok(long.length > 10000);
  const captions = [
    'Tab\tinside, \\backslash\\ and \\\\ two',
    '𝄞 clef, 😀 face, 𠀀 ideograph',
    'Ends with a backslash \\',
    '"</script><script>alert(1)</script>',
  ];
  const design = { items: [
    item(captions[0], long, { width: 300 }),
    item(captions[1], 'emoji-😀.html', { width: 300 }),
    item(captions[2], 'x.html', { width: 300 }),
    item(captions[3], 'y.html', { width: 300 }),
  ] };
  const html = generate(dir, design, { name: 'edges' });
  assert.match(html, /^[\x09\x0a\x0d\x20-\x7e]*$/, 'the page is plain ASCII');
  const page = await open(pageUrl(dir, html, { name: 'edges-page.htm' }));
  assert.deepEqual(await shown(page), captions);
  assert.deepEqual(await links(page), [long, 'emoji-😀.html', 'x.html', 'y.html']);
  assert.equal(await page.evaluate(() => typeof window.alert === 'function'), true);
  await page.done();
});
