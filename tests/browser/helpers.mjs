// Shared helpers of the browser tests: write a design as a .mnu file, generate its page with
// quorvane-gen, and open it in Debian's Chromium or Firefox ESR (QUORVANE_BROWSER=firefox).
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { copyFileSync, existsSync, mkdtempSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { createServer } from 'node:http';
import { tmpdir } from 'node:os';
import { dirname, extname, join, resolve } from 'node:path';
import { after, before } from 'node:test';
import { fileURLToPath, pathToFileURL } from 'node:url';
import { chromium } from 'playwright-core';
import { launchFirefox } from './firefox.mjs';

const here = dirname(fileURLToPath(import.meta.url));
export const binDir = resolve(here, process.env.QUORVANE_BIN_DIR || '../../build/bin');
export const generator = join(binDir, 'quorvane-gen');
export const arrowFiles = ['tri.gif', 'tridown.gif', 'trileft.gif', 'tridark.gif',
  'tridarkdown.gif', 'tridarkleft.gif'];

// The start-up style of the window, in the form the .mnu file stores. Colours are given here as
// RRGGBB text and written as the file's numbers (red in the low byte).
export const startUpStyle = {
  MainBG: '0080FF', MainMOBG: '009CE8', MainFont: 'FFFFFF', MainFontMO: '0000FF', MainBorder: '000000',
  SubBG: '0080FF', SubMOBG: '009CE8', SubFont: 'FFFFFF', SubFontMO: '0000FF', SubBorder: '000000',
  MenuType: 0, TextAlign: 0, HorzAlign: 0, VertAlign: 0, MenuTop: 1, MenuLeft: 1,
  LeftPadding: 3, TopPadding: 2, BorderWidth: 1, OnMouseOver: 0,
  MenuFont: 'Tahoma, Verdana, Arial', FontSize: 10, FontBold: 0, FontItalic: 0,
  Arrows: 2, KeepHighlighted: 1, BorderBetween: 1,
};
const colourKeys = { 'Main Colors': ['MainBG', 'MainMOBG', 'MainFont', 'MainFontMO', 'MainBorder'],
  'Sub Colors': ['SubBG', 'SubMOBG', 'SubFont', 'SubFontMO', 'SubBorder'] };
const optionKeys = ['MenuType', 'TextAlign', 'HorzAlign', 'VertAlign', 'MenuTop', 'MenuLeft',
  'LeftPadding', 'TopPadding', 'BorderWidth', 'OnMouseOver', 'MenuFont', 'FontSize', 'FontBold',
  'FontItalic', 'Arrows', 'KeepHighlighted', 'BorderBetween'];

const colourNumber = (hex) => {
  const v = parseInt(hex, 16);
  return ((v & 0xff) << 16) | (v & 0xff00) | ((v >> 16) & 0xff);
};

// An item: { text, link = 'http://', height = 20, width = 80, items = [] }.
export const item = (text, link = 'http://', more = {}) => ({ text, link, ...more });

// The .mnu text of a design (CR LF line breaks, UTF-8), items in tree order with their paths.
export function mnuText({ style = {}, items = [] }) {
  const s = { ...startUpStyle, ...style };
  const lines = [];
  for (const [section, keys] of Object.entries(colourKeys)) {
    lines.push(`[${section}]`, ...keys.map((k) => `${k}=${colourNumber(s[k])}`));
  }
  lines.push('[Options]', ...optionKeys.map((k) => `${k}=${s[k]}`));
  const flat = [];
  const walk = [...items.map((it, i) => ({ it, name: `Menu${i + 1}`, path: `Menu${i + 1}` }))].reverse();
  while (walk.length) {
    const entry = walk.pop();
    flat.push(entry);
    const kids = entry.it.items || [];
    for (let k = kids.length - 1; k >= 0; k--) {
      const name = `${entry.name}_${k + 1}`;
      walk.push({ it: kids[k], name, path: `${entry.path}\\${name}` });
    }
  }
  lines.push('[Menus]', `MenuCount=${flat.length}`, ...flat.map((e, i) => `Menu_${i}=${e.path}`));
  lines.push('[MenuData]');
  flat.forEach(({ it, name }, i) => {
    lines.push(`MenuName_${i}=${name}`, `MenuText_${i}=${it.text}`,
      `MenuLink_${i}=${it.link ?? 'http://'}`, `MenuHeight${i}=${it.height ?? 20}`,
      `MenuWidth${i}=${it.width ?? 80}`);
  });
  return lines.map((l) => l + '\r\n').join('');
}

export function makeWorkDir() {
  return mkdtempSync(join(tmpdir(), 'quorvane-browser-'));
}

export function removeWorkDir(dir) {
  rmSync(dir, { recursive: true, force: true });
}

// Runs quorvane-gen on the design and returns the text it writes.
export function generate(dir, design, { preview = true, name = 'design' } = {}) {
  if (!existsSync(generator)) {
    throw new Error(`quorvane-gen not found at ${generator}; build it or set QUORVANE_BIN_DIR`);
  }
  const mnu = join(dir, `${name}.mnu`);
  const out = join(dir, `${name}.${preview ? 'htm' : 'txt'}`);
  writeFileSync(mnu, mnuText(design));
  execFileSync(generator, [mnu, ...(preview ? ['--preview'] : []), '-o', out]);
  return readFileSync(out, 'latin1');
}

// Writes a page into the work folder beside copies of the arrow images and returns its URL.
// The text is written back byte for byte as the generator wrote it.
export function pageUrl(dir, html, { name = 'page.htm', images = true } = {}) {
  if (images) for (const f of arrowFiles) copyFileSync(join(binDir, f), join(dir, f));
  const file = join(dir, name);
  writeFileSync(file, html, 'latin1');
  return pathToFileURL(file).href;
}

// Generates the preview page of a design and returns its file URL.
export function previewUrl(dir, design, { name = 'design', edit, images = true } = {}) {
  const html = generate(dir, design, { name });
  return pageUrl(dir, edit ? edit(html) : html, { name: `${name}-page.htm`, images });
}

export const engine = process.env.QUORVANE_BROWSER || 'chromium';

// The browser the suites run in; with forcedColors its pages are drawn in the system's colours.
export async function launch({ forcedColors = false } = {}) {
  if (engine === 'firefox') return launchFirefox({ forcedColors });
  if (engine !== 'chromium') throw new Error(`QUORVANE_BROWSER=${engine}: chromium or firefox`);
  const browser = await chromium.launch({
    executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
    args: ['--no-sandbox', '--disable-gpu', '--disable-background-networking',
      '--disable-component-update', '--disable-sync', '--no-first-run'],
  });
  browser.forcedColors = forcedColors;
  return browser;
}

// A suite's browser and work folder (with the given files in it), from its first test to its last.
export let browser;
export let dir;
export function useBrowser(files = {}) {
  before(async () => {
    browser = await launch();
    dir = makeWorkDir();
    for (const [name, text] of Object.entries(files)) writeFileSync(join(dir, name), text);
  });
  after(async () => {
    await browser?.close();
    removeWorkDir(dir);
  });
}

// Serves a folder over HTTP on this machine, for checks of what a page loads (neither browser
// reports the loads of file: pages alike); a folder's address gives its index.html. Returns the
// server; its url(name) is a file's address.
export async function serve(folder) {
  const types = { '.htm': 'text/html', '.html': 'text/html', '.gif': 'image/gif', '.js': 'text/javascript' };
  const server = createServer((req, res) => {
    // A browser asks for the site's icon on its own; an empty answer keeps its console quiet.
    if (req.url === '/favicon.ico') return res.writeHead(204).end();
    try {
      let path = decodeURIComponent(new URL(req.url, 'http://x').pathname);
      if (path.endsWith('/')) path += 'index.html';
      const body = readFileSync(join(folder, path));
      res.writeHead(200, { 'content-type': types[extname(path)] || 'application/octet-stream' });
      res.end(body);
    } catch {
      res.writeHead(404).end();
    }
  });
  await new Promise((done) => server.listen(0, '127.0.0.1', done));
  server.unref();
  server.url = (name) => `http://127.0.0.1:${server.address().port}/${name}`;
  return server;
}

// Sets a menu variable in generated code, e.g. setVar(html, 'RightToLeft', 1).
export function setVar(html, name, value) {
  const pattern = new RegExp(`var ${name}=[^;\\r\\n]*;`);
  if (!pattern.test(html)) throw new Error(`variable ${name} not in the generated code`);
  return html.replace(pattern, `var ${name}=${typeof value === 'string' ? `'${value}'` : value};`);
}

// The box of the item that shows the given caption (its row: caption, arrow and sub menu button).
export const row = (page, text) =>
  page.locator('nav.qvm .qvm-r').filter({ has: page.getByText(text, { exact: true }) });

// The sub menu list that the item with the given caption opens.
export async function subMenu(page, text) {
  const id = await row(page, text).locator('[aria-controls]').getAttribute('aria-controls');
  return page.locator(`[id="${id}"]`);
}

export const rect = (locator) => locator.evaluate((e) => {
  const r = e.getBoundingClientRect();
  return { left: r.left, top: r.top, right: r.right, bottom: r.bottom, width: r.width, height: r.height };
});

export const colours = (locator) => locator.evaluate((e) => {
  const s = getComputedStyle(e);
  return { bg: s.backgroundColor, fg: s.color };
});

export const rgb = (hex) => {
  const v = parseInt(hex, 16);
  return `rgb(${v >> 16}, ${(v >> 8) & 255}, ${v & 255})`;
};

// The menus draw inside shadow roots of their own; these page functions look into all of them.
const allButtons = () => [...document.querySelectorAll('quorvane-menu')]
  .flatMap((h) => [...h.shadowRoot.querySelectorAll('nav [aria-expanded]')]);

// True when every shown sub menu button's aria-expanded says exactly whether its list is visible
// (the Menu button of small screens is not shown while the bar is).
export const expandedMatchesVisibility = (page) => page.evaluate(`(${allButtons})()
  .filter((b) => b.checkVisibility()).every((b) => {
  const list = b.getRootNode().getElementById(b.getAttribute('aria-controls'));
  const shown = !!list && list.checkVisibility() && list.getBoundingClientRect().height > 0;
  return (b.getAttribute('aria-expanded') === 'true') === shown;
})`);

// The names of the open sub menus, outermost first.
export const openMenus = (page) => page.evaluate(`(${allButtons})()
  .filter((b) => b.getAttribute('aria-expanded') === 'true').map((b) => b.getAttribute('aria-controls'))`);

// The element that has the keyboard focus, inside the menu's shadow root when it is there.
export const deepFocus = (page) => page.evaluateHandle(() => {
  let e = document.activeElement;
  while (e && e.shadowRoot && e.shadowRoot.activeElement) e = e.shadowRoot.activeElement;
  return e;
});

// What has the focus: its role and accessible name, e.g. "button Products".
export const focused = async (page) => (await deepFocus(page)).evaluate((e) => {
  const name = e.getAttribute('aria-label') || e.textContent.trim();
  return `${e.tagName === 'A' ? 'link' : e.tagName.toLowerCase()} ${name}`;
});

// Opens a page in a context of its own (viewport, touch) and collects its script errors and its
// console's messages; page.done() checks that there were no errors and closes the context.
export async function openPage(browser, url, options = {}) {
  const context = await browser.newContext({ viewport: { width: 1000, height: 500 }, ...options,
    ...(browser.forcedColors && { forcedColors: 'active' }) });
  const page = await context.newPage();
  const errors = [];
  page.messages = [];
  page.on('pageerror', (e) => errors.push(e.message));
  page.on('console', (m) => page.messages.push(m.text()));
  await page.goto(url);
  page.errors = errors;
  page.done = async () => {
    assert.deepEqual(errors, []);
    await context.close();
  };
  return page;
}

// A realistic page around generated code: doctype, language, viewport and styles of its own.
export const realPage = (code, { head = '', before = '', after = '' } = {}) => '<!DOCTYPE html>'
  + '<html lang="en"><head><meta charset="utf-8"><meta name="viewport" '
  + `content="width=device-width, initial-scale=1"><title>Page</title>${head}</head><body>`
  + `${before}${code}${after}</body></html>`;

export const intersects = (a, b) =>
  a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;

// Times every callback that the page's scripts hand to the browser (frames, idle periods, timers,
// observers, events), the tasks of the engine after its own script, and counts the menu's items
// after each: tasks holds [milliseconds, items] pairs.
export const taskTimer = '<script>var tasks=[];(function(){var items=function(){var h=document.querySelector('
  + '"quorvane-menu");return h?h.shadowRoot.querySelectorAll("li").length:0};var timed=function(f){'
  + 'return function(){var t=performance.now();try{return f.apply(this,arguments)}finally{'
  + 'tasks.push([performance.now()-t,items()])}}};'
  + "['requestAnimationFrame','requestIdleCallback','setTimeout'].forEach(function(n){var o=window[n];"
  + 'if(o)window[n]=function(f){var a=[].slice.call(arguments);a[0]=typeof f==="function"?timed(f):f;'
  + 'return o.apply(window,a)}});["ResizeObserver","IntersectionObserver","MutationObserver"]'
  + '.forEach(function(n){var O=window[n];if(O)window[n]=function(f,o){return new O(timed(f),o)}});'
  + 'var add=EventTarget.prototype.addEventListener;EventTarget.prototype.addEventListener='
  + 'function(t,f,o){return add.call(this,t,typeof f==="function"?timed(f):f,o)}})()</script>';

// The code with the task timer before it and its engine's script timed as the first task (from
// inside that script, so that nothing the browser does between scripts counts).
export function withTaskTimes(code) {
  const at = code.lastIndexOf('<script>') + '<script>'.length;
  const end = code.lastIndexOf('</script>');
  return `${taskTimer}${code.slice(0, at)}var t1=performance.now();${code.slice(at, end)}`
    + ';tasks.unshift([performance.now()-t1,document.querySelector("quorvane-menu").shadowRoot'
    + `.querySelectorAll("li").length]);${code.slice(end)}`;
}
