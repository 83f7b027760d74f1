// The template as a whole: its tokens, the engine's size and manners in a page, and the settings
// that the window never changes but a web author may (TargetLoc, DocTargetFrame, WebMasterCheck).
import assert from 'node:assert/strict';
import { readFileSync } from 'node:fs';
import { join } from 'node:path';
import { test } from 'node:test';
import { gzipSync } from 'node:zlib';
import {
  binDir, browser, dir, generate, item, openPage, pageUrl, row, serve, setVar, useBrowser,
} from './helpers.mjs';

const template = readFileSync(join(binDir, 'dhtml.dat'), 'latin1');
const tokens = ['menu', 'NoOffFirstLineMenus', 'LowBgColor', 'LowSubBgColor', 'HighBgColor',
  'HighSubBgColor', 'FontLowColor', 'FontSubLowColor', 'FontHighColor', 'FontSubHighColor',
  'BorderColor', 'BorderSubColor', 'BorderWidth', 'BorderBtwnElmnts', 'FontFamily', 'FontSize',
  'FontBold', 'FontItalic', 'MenuTextCentered', 'MenuCentered', 'MenuVerticalCentered',
  'ChildOverlap', 'ChildVerticalOverlap', 'StartTop', 'StartLeft', 'VerCorrect', 'HorCorrect',
  'LeftPaddng', 'TopPaddng', 'FirstLineHorizontal', 'MenuFramesVertical', 'DissapearDelay',
  'TakeOverBgColor', 'FirstLineFrame', 'SecLineFrame', 'DocTargetFrame', 'TargetLoc', 'HideTop',
  'MenuWrap', 'RightToLeft', 'UnfoldsOnClick', 'WebMasterCheck', 'ShowArrow', 'arrows', 'KeepHilite',
  'menulist'];

useBrowser({ 'frame.html': '<title>frame</title><p>start</p>',
  'target.html': '<title>target</title><p id="arrived">target</p>' });

const items = [
  item('Home', 'target.html'),
  item('More', '', { items: [item('Target', 'target.html'), item('Other', 'other.html')] }),
];

const open = (url) => openPage(browser, url, { viewport: { width: 1280, height: 720 } });

test('the template holds every token once, all ASCII, and a small engine', () => {
  assert.equal(tokens.length, 46);
  for (const t of tokens) {
    assert.equal(template.split(`%${t}%`).length, 2, `%${t}% once`);
  }
  assert.deepEqual(template.match(/%[A-Za-z]+%/g).length, 46, 'no other tokens');
  assert.ok(template.indexOf('%menulist%') < template.indexOf('<script>'), 'the list before the scripts');
  assert.ok(/^[\x09\x0a\x0d\x20-\x7e]*$/.test(template), 'ASCII only, for pages of any encoding');
  assert.ok(template.startsWith('<!--') && /tridarkleft\.gif/.test(template.split('-->')[0]),
    'the leading comment names the images');
  const scripts = [...template.matchAll(/<script>([\s\S]*?)<\/script>/g)].map((m) => m[1]);
  assert.equal(scripts.length, 2);
  assert.ok(!/\son[a-z]+\s*=/.test(template), 'no inline event attributes');
  const gz = gzipSync(scripts[1], { level: 9 }).length;
  assert.ok(gz <= 13.5 * 1024, `engine is ${gz} bytes gzipped`);
});

test('the engine adds no global names, no inline handlers and fetches only the arrow images', async () => {
  const html = generate(dir, { items }, { name: 'globals' });
  // Served over HTTP, where both browsers report what the page loads
  pageUrl(dir, html, { name: 'globals.htm' });
  pageUrl(dir, '<html><head></head><body></body></html>', { name: 'blank.htm' });
  const server = await serve(dir);
  const requests = [];
  const page = await browser.newPage({ viewport: { width: 1280, height: 720 } });
  page.on('request', (r) => requests.push(r.url()));
  page.on('console', (m) => requests.push(`console: ${m.text()}`));
  page.on('pageerror', (e) => requests.push(`error: ${e.message}`));
  await page.goto(server.url('globals.htm'));
  const blank = await open(pageUrl(dir, '<html><head></head><body></body></html>', { name: 'blank.htm' }));
  const before = new Set(await blank.evaluate(() => Object.keys(window)));
  await row(page, 'More').hover();
  const added = (await page.evaluate(() => Object.keys(window))).filter((k) => !before.has(k));
  const declared = new Set([...html.matchAll(/(?:^|\s)(?:var )?(\w+)=/gm)].map((m) => m[1]));
  assert.deepEqual(added.filter((k) => !declared.has(k)), []);
  assert.ok(added.includes('Menu2_1') && added.includes('KeepHilite'));
  const handlers = await page.evaluate(() => [...document.querySelectorAll('*'),
    ...document.querySelector('quorvane-menu').shadowRoot.querySelectorAll('*')]
    .flatMap((e) => [...e.attributes].map((a) => a.name)).filter((n) => n.startsWith('on')));
  assert.deepEqual(handlers, []);
  // Only the arrow images, from beside the page, and nothing said in the console
  await page.waitForTimeout(100);
  assert.deepEqual(requests, [server.url('globals.htm'), server.url('tridarkdown.gif')]);
  await page.close();
  await blank.done();
  server.close();
});

test('TargetLoc places the bar in that element, also when the element comes later', async () => {
  let html = setVar(generate(dir, { items }, { name: 'target' }), 'TargetLoc', 'slot');
  html = html.replace('</body>', '<p>Text</p><div id="slot" style="margin-left:200px"></div></body>');
  const page = await open(pageUrl(dir, html, { name: 'target.htm' }));
  assert.equal(await page.locator('#slot > quorvane-menu').count(), 1);
  await page.waitForFunction(() => !document.querySelector('nav'));
  const [bar, slot] = await Promise.all(['#slot nav', '#slot'].map((s) =>
    page.locator(s).evaluate((e) => e.getBoundingClientRect().left)));
  assert.equal(bar, slot + 1, 'one pixel (MenuLeft) into the element');
  await row(page, 'More').hover();
  assert.ok(await row(page, 'Target').isVisible());
  assert.deepEqual(page.messages, []);
  await page.done();
});

test('DocTargetFrame: links open in the named frame when the page has one', async () => {
  const html = generate(dir, { items }, { name: 'frames' });
  const framed = html.replace('</body>', '<iframe name="space" src="frame.html"></iframe></body>');
  const page = await open(pageUrl(dir, framed, { name: 'framed.htm' }));
  await page.getByRole('link', { name: 'Home' }).click();
  const frame = await page.frame({ name: 'space' });
  await frame.waitForURL(/target\.html$/);
  assert.ok(page.url().endsWith('framed.htm'), 'the page itself stays');
  await page.done();

  const plain = await open(pageUrl(dir, html, { name: 'unframed.htm' }));
  await plain.getByRole('link', { name: 'Home' }).click();
  await plain.waitForURL(/target\.html$/);
  await plain.done();
});

test('WebMasterCheck reports broken item lines; without it the menu draws what it can', async () => {
  let html = generate(dir, { items: [...items, item('Last', 'x.html')] }, { name: 'check' });
  html = html.replace(/\s*Menu2_1=new Array\([^\r\n]*\r\n/, '\r\n')
    .replace('Menu3=new Array("Last","x.html","",0,20,80)', 'Menu3=new Array("Last","x.html","",0,"tall",80)')
    .replace('var NoOffFirstLineMenus=3;', 'var NoOffFirstLineMenus=3;var Menu4=new Array("Extra","","",0,20,80);');
  const quiet = await open(pageUrl(dir, html, { name: 'check-off.htm' }));
  await row(quiet, 'More').hover();
  assert.deepEqual(await quiet.locator('nav.qvm .qvm-x').allInnerTexts(), ['Home', 'More', 'Other', 'Last']);
  assert.deepEqual(quiet.messages, []);
  await quiet.done();

  const checked = await open(pageUrl(dir, setVar(html, 'WebMasterCheck', 1), { name: 'check-on.htm' }));
  const reports = checked.messages.filter((m) => m.startsWith('Menu check:')).sort();
  assert.deepEqual(reports, [
    'Menu check: Menu2_1 is missing',
    'Menu check: Menu3: the height is not a number',
    'Menu check: Menu4 exists, but only 3 items are counted',
  ]);
  await checked.done();
});

test('ChildOverlap, ChildVerticalOverlap, HorCorrect and VerCorrect move sub menus', async () => {
  let html = generate(dir, { style: { MenuType: 1 }, items }, { name: 'offsets' });
  for (const [name, value] of [['ChildOverlap', 0], ['ChildVerticalOverlap', 0.5],
    ['HorCorrect', 7], ['VerCorrect', -3]]) html = setVar(html, name, value);
  const page = await open(pageUrl(dir, html, { name: 'offsets.htm' }));
  await row(page, 'More').hover();
  const [parent, list] = await Promise.all([row(page, 'More'), page.locator('#qvm-Menu2')].map((l) =>
    l.evaluate((e) => e.getBoundingClientRect().toJSON())));
  assert.ok(Math.abs(list.left - (parent.right + 7)) <= 1, `left ${list.left}, item right ${parent.right}`);
  assert.ok(Math.abs(list.top - (parent.top + parent.height / 2 - 3)) <= 1, `top ${list.top}`);
  await page.done();
});
