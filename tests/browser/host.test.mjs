// The menu among the page's own layers: dialogs, drawers and backdrops above the closed bar, a
// menu in a hidden drawer, and the printed page.
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { writeFileSync } from 'node:fs';
import { join } from 'node:path';
import { test } from 'node:test';
import {
  browser, deepFocus, dir, generate, item, openMenus, openPage, pageUrl, realPage, rect, row,
  useBrowser,
} from './helpers.mjs';

useBrowser();

const items = [
  item('Home', 'index.html', { width: 80 }),
  item('Products', '', { width: 100, items: [item('Tools', 'tools.html'), item('Parts', 'parts.html')] }),
  item('Contact', 'contact.html', { width: 90 }),
];
let code;
const page = (name, wrap) => {
  code ??= generate(dir, { items }, { preview: false, name: 'host' });
  return pageUrl(dir, realPage(code, wrap), { name: `${name}.htm` });
};
const menuButton = (p) => p.getByRole('button', { name: 'Menu', exact: true });

// What the point in the middle of an element of the menu shows: the menu itself, or the page
// element drawn over it.
const hit = (locator) => locator.evaluate((e) => {
  const r = e.getBoundingClientRect();
  const top = document.elementFromPoint(r.left + r.width / 2, r.top + r.height / 2);
  return top.tagName === 'QUORVANE-MENU' ? 'menu' : top.id || top.className;
});

// A modal dialog and an off-canvas panel as a common CSS framework draws them, with backdrops.
const layers = '<style>.backdrop{position:fixed;inset:0;background:rgba(0,0,0,.5)}'
  + '.modal{position:fixed;inset:0;z-index:1055}.dialog{margin:0 auto;width:300px;background:#fff;'
  + 'padding:40px 10px}.offcanvas{position:fixed;top:0;left:0;bottom:0;width:300px;'
  + 'z-index:1045;background:#fff}</style>';
const modal = '<div class="backdrop" style="z-index:1050"></div><div class="modal">'
  + '<div class="dialog">Dialog <button id="close">Close</button></div></div>';
const offcanvas = '<div class="backdrop" style="z-index:1040"></div><div class="offcanvas">'
  + '<button id="close">Close</button></div>';

test('page dialogs, drawers and backdrops cover the closed bar; the page may lift it', async () => {
  for (const [name, over] of [['modal', modal], ['offcanvas', offcanvas]]) {
    for (const width of [1000, 320]) {
      const p = await openPage(browser, page(`${name}${width}`,
        { head: layers, after: over }), { viewport: { width, height: 500 } });
      const first = width < 600 ? menuButton(p) : row(p, 'Home');
      assert.notEqual(await hit(first), 'menu', `${name} at ${width} px`);
      await p.done();
    }
  }
  // Content of the page's own with a z-index of 1000 lies under the bar.
  const p = await openPage(browser, page('lifted', { head: `${layers}<style>:root{
    --quorvane-menu-z-index:1060}</style>`, after: modal }));
  assert.equal(await hit(row(p, 'Home')), 'menu', 'the custom property lifts the bar');
  await p.done();
  const q = await openPage(browser, page('content', {
    after: '<div id="content" style="position:relative;z-index:1000;height:300px"></div>' }));
  assert.equal(await hit(row(q, 'Home')), 'menu');
  // Only an open sub menu lies above a dialog that opens later.
  await row(q, 'Products').hover();
  await q.evaluate((html) => document.body.insertAdjacentHTML('beforeend', html), layers + modal);
  assert.equal(await hit(row(q, 'Tools')), 'menu');
  assert.notEqual(await hit(row(q, 'Home')), 'menu');
  await q.done();
});

test('a menu inside a hidden drawer takes no Tab stop and shows the bar once the drawer opens',
  async () => {
    const drawer = '<style>.drawer{position:fixed;top:0;left:0;bottom:0;width:420px;background:#fff;'
      + 'visibility:hidden;transform:translateX(-100%);transition:transform .3s}'
      + '.drawer.show{visibility:visible;transform:none}</style>';
    const p = await openPage(browser, page('drawer', { head: drawer,
      before: '<button id="before">Before</button><div class="drawer">',
      after: '</div><button id="after">After</button>' }), { viewport: { width: 1280, height: 720 } });
    await p.evaluate(() => new Promise((done) => requestAnimationFrame(() => setTimeout(done, 50))));
    await p.locator('#before').focus();
    await p.keyboard.press('Tab');
    assert.equal(await (await deepFocus(p)).evaluate((e) => e.id), 'after');
    assert.ok(await p.evaluate(() => !document.querySelector('quorvane-menu').shadowRoot
      .querySelector('nav').checkVisibility({ visibilityProperty: true })));
    await p.evaluate(() => document.querySelector('.drawer').classList.add('show'));
    await p.waitForTimeout(600);
    assert.ok(await row(p, 'Contact').isVisible(), 'the bar');
    assert.ok(!(await menuButton(p).isVisible()), 'no Menu button');
    await row(p, 'Products').hover();
    assert.deepEqual(await openMenus(p), ['qvm-Menu2']);
    // Hidden again, with its sub menu open: nothing of it stays on the screen.
    await p.evaluate(() => document.querySelector('.drawer').classList.remove('show'));
    await p.waitForTimeout(100);
    assert.deepEqual(await openMenus(p), []);
    assert.ok(!(await row(p, 'Tools').isVisible()));
    await p.done();
  });

// The text of each printed page, as pdftotext reads it.
const printed = async (p, name) => {
  const file = join(dir, `${name}.pdf`);
  writeFileSync(file, await p.pdf({ width: '210mm', height: '297mm' }));
  return execFileSync('pdftotext', ['-layout', file, '-'], { encoding: 'utf8' }).split('\f')
    .filter((text) => text.trim());
};

test('printed: the bar once, in the flow at the top of the first page, no open sub menu',
  async () => {
    const text = Array.from({ length: 120 }, (_, i) => `<p>Paragraph ${i + 1}</p>`).join('');
    const p = await openPage(browser, page('print', { after: text }));
    await row(p, 'Products').hover();
    assert.deepEqual(await openMenus(p), ['qvm-Menu2']);
    const pages = await printed(p, 'print');
    assert.ok(pages.length >= 3, `${pages.length} pages`);
    const lines = pages[0].split('\n').filter((l) => l.trim());
    assert.match(lines[0], /Home\s+Products\s+Contact/);
    assert.match(lines[1], /Paragraph 1$/, 'the text below the bar, not under it');
    const all = pages.join('\n');
    assert.equal(all.split('Contact').length, 2, 'the bar once');
    assert.ok(!all.includes('Tools'), 'no sub menu');
    // The host lies in the flow where the code stands, also for a bar fixed on the screen.
    assert.ok((await rect(p.locator('quorvane-menu'))).height > 0);
    await p.done();
  });
