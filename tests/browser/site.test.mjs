// A menu published into a small site: one shared script in the site's menu folder with the arrow
// images beside it, linked from pages at three depths, opened over file: and over HTTP.
import assert from 'node:assert/strict';
import { copyFileSync, existsSync, mkdirSync, writeFileSync } from 'node:fs';
import { join } from 'node:path';
import { test } from 'node:test';
import { fileURLToPath, pathToFileURL } from 'node:url';
import {
  arrowFiles, binDir, browser, dir, generate, item, launch, openMenus, openPage, realPage, row,
  serve, useBrowser,
} from './helpers.mjs';

useBrowser();

const design = { items: [
  item('Home', 'index.html', { width: 80 }),
  item('About', 'about.html', { width: 80 }),
  item('Blog', 'blog/index.html', { width: 80, items: [
    item('2024', '', { items: [item('Post', 'blog/2024/post.html')] }),
    item('Elsewhere', 'https://example.org/x?y=1'),
    item('Top', '#top'),
    item('Root', '/root.html'),
    item('Caf\u00e9', 'blog/caf\u00e9 menu.html'),
  ] }),
] };
// The pages and the caption of the item that leads to each
const pages = { 'index.html': 'Home', 'about.html': 'About', 'blog/index.html': 'Blog',
  'blog/2024/post.html': 'Post', 'blog/caf\u00e9 menu.html': 'Caf\u00e9' };
const relative = (link) => !/^([a-z][a-z\d+.-]*:|[/#?])/i.test(link);

// The site as publishing makes it: the shared script is a line with the way from its folder to
// the site folder, then the bodies of the code's scripts; each page holds the plain list, its
// links made relative to the page, and a script element that loads the shared script. The page
// about.html holds the code as Get Code gives it instead, with the images beside it.
let site;
const makeSite = () => {
  const code = generate(dir, design, { preview: false, name: 'site' });
  const bodies = [...code.matchAll(/<script>([\s\S]*?)<\/script>/g)].map((m) => m[1]);
  const list = /<nav[\s\S]*?<\/nav>/.exec(code)[0];
  site = join(dir, 'site');
  mkdirSync(join(site, 'menu'), { recursive: true });
  mkdirSync(join(site, 'blog', '2024'), { recursive: true });
  writeFileSync(join(site, 'menu', 'site.js'), `var MenuLinkBase='../';\r\n${bodies.join('\r\n')}`);
  for (const f of arrowFiles) {
    for (const folder of ['menu', '']) copyFileSync(join(binDir, f), join(site, folder, f));
  }
  for (const path of Object.keys(pages)) {
    const up = '../'.repeat(path.split('/').length - 1);
    const region = '<!--quorvane-menu site begin-->\n'
      + list.replace(/href="([^"]*)"/g, (m, l) => `href="${relative(l) ? up + l : l}"`)
      + `\n<script src="${up}menu/site.js?v=0123abcd"></script>\n<!--quorvane-menu site end-->`;
    writeFileSync(join(site, path), realPage(path === 'about.html' ? code : region,
      { before: '<p id="top">Top</p>', after: '<p>Text</p>' }));
  }
  writeFileSync(join(site, 'root.html'), 'outside the site');
};

// The menu's links once all are built, as written and as the browser resolves them.
const links = async (p) => (await p.waitForFunction(() => {
  const all = [...document.querySelector('quorvane-menu').shadowRoot.querySelectorAll('a[href]')];
  return all.length === 8 && all.map((a) => [a.textContent, a.getAttribute('href'), a.href]);
})).jsonValue();

test('published: images beside the script, links from the site folder, the page marked', async () => {
  makeSite();
  const server = await serve(site);
  const exists = {
    file: async (url) => existsSync(fileURLToPath(url)),
    http: async (url) => (await fetch(url)).status === 200,
  };
  for (const [scheme, urlOf] of [['file', (path) => pathToFileURL(join(site, path)).href],
    ['http', (path) => new URL(path, server.url('')).href]]) {
    for (const [path, caption] of Object.entries(pages)) {
      const p = await openPage(browser, urlOf(path), { viewport: { width: 1280, height: 720 } });
      for (const [text, written, href] of await links(p)) {
        const wanted = design.items.flatMap((i) => [i, ...(i.items || []).flatMap((s) => [s,
          ...(s.items || [])])]).find((i) => i.text === text).link;
        if (relative(wanted)) {
          assert.equal(href, urlOf(wanted), `${scheme} ${path}: ${text}`);
          assert.ok(await exists[scheme](href), `${scheme} ${path}: ${href} exists`);
        } else {
          assert.equal(written, wanted, `${scheme} ${path}: ${text} as written`);
        }
      }
      const images = await p.waitForFunction(() => {
        const all = [...document.querySelector('quorvane-menu').shadowRoot.querySelectorAll('img')];
        return all.length && all.every((i) => i.complete && i.naturalWidth > 0)
          && all.map((i) => i.src);
      });
      const beside = urlOf(path === 'about.html' ? '' : 'menu/');
      for (const src of await images.jsonValue()) assert.ok(src.startsWith(beside), src);
      const marked = await p.evaluate(() => [...document.querySelector('quorvane-menu').shadowRoot
        .querySelectorAll('[aria-current=page]')].map((a) => [a.textContent,
        getComputedStyle(a.closest('.qvm-r')).borderInlineStartWidth]));
      assert.deepEqual(marked, [[caption, '4px']], `${scheme} ${path}`);
      await p.done();
    }
  }
  // A folder's address is its index page.
  const folder = await openPage(browser, server.url('blog/'));
  await links(folder);
  assert.equal(await folder.evaluate(() => document.querySelector('quorvane-menu').shadowRoot
    .querySelector('[aria-current=page]').textContent), 'Blog');
  await folder.done();
  server.close();
});

test('published, small screen: the way to the current page opens with the list', async () => {
  if (!site) makeSite();
  const p = await openPage(browser, pathToFileURL(join(site, 'blog/2024/post.html')).href,
    { viewport: { width: 360, height: 640 }, hasTouch: true, isMobile: true });
  await p.getByRole('button', { name: 'Menu', exact: true }).tap();
  assert.deepEqual(await openMenus(p), ['qvm-Menu', 'qvm-Menu3', 'qvm-Menu3_1']);
  assert.ok(await row(p, 'Post').isVisible());
  await p.done();
});

test('the mark of the current page stays in forced colours', async () => {
  if (!site) makeSite();
  const forced = await launch({ forcedColors: true });
  try {
    const p = await openPage(forced, pathToFileURL(join(site, 'about.html')).href);
    const mark = await row(p, 'About').evaluate((e) => {
      const s = getComputedStyle(e);
      return [matchMedia('(forced-colors: active)').matches, s.borderInlineStartWidth,
        s.borderInlineStartStyle, s.borderInlineStartColor];
    });
    assert.deepEqual(mark.slice(0, 3), [true, '4px', 'solid']);
    assert.notEqual(mark[3], 'rgba(0, 0, 0, 0)');
    await p.done();
  } finally {
    await forced.close();
  }
});
