// The menu pasted into pages as authors have them: the page's own CSS, two menus on one page,
// and a page looked at by a crawler that does not move the pointer.
import assert from 'node:assert/strict';
import { cpus, loadavg } from 'node:os';
import { test } from 'node:test';
import {
  browser, colours, dir, generate, item, openMenus, openPage, pageUrl, realPage, rect, rgb, row,
  useBrowser, withTaskTimes,
} from './helpers.mjs';

useBrowser();

const items = [
  item('Home', 'index.html', { width: 80 }),
  item('Products', 'products.html', { width: 110, items: [
    item('Tools', 'tools.html', { width: 120, items: [item('Hammers', 'hammers.html')] }),
    item('Parts', 'parts.html'),
  ] }),
  item('About', '', { width: 90, items: [item('Team', 'team.html')] }),
];

test("the page's CSS changes nothing in the menu", async () => {
  const hostile = '<style>#page a{display:block;padding:20px;font:bold 30px serif;color:red!important}'
    + '#page ul li{float:left;padding:10px;margin:5px;list-style:square}'
    + '#page button{padding:15px;border:3px solid red;background:pink}li::before{content:"> "}'
    + 'div{padding:9px}li{line-height:3}span{text-transform:uppercase}button{min-height:50px}'
    + 'nav{display:none}ul{margin:20px;padding:20px}img{width:40px;height:40px}'
    + '*{box-sizing:content-box;letter-spacing:2px}body{font:20px/2 serif;color:green;text-align:center}'
    + '#page *{position:static!important;display:inline!important;transform:scale(2)}</style>';
  const code = generate(dir, { items }, { preview: false, name: 'styled' });
  const look = async (name, wrap) => {
    const p = await openPage(browser, pageUrl(dir, realPage(code, wrap), { name }));
    await row(p, 'Products').hover();
    await row(p, 'Tools').hover();
    const shown = p.locator('nav.qvm .qvm-r:visible, nav.qvm img:visible');
    const rows = await shown.evaluateAll((list) => list.map((e) => {
      const s = getComputedStyle(e);
      return [e.textContent, JSON.stringify(e.getBoundingClientRect()), s.backgroundColor, s.color,
        s.fontSize];
    }));
    const bar = await rect(p.locator('nav.qvm'));
    await p.done();
    return { bar, rows };
  };
  const clean = await look('clean.htm', { before: '<div id="page">', after: '</div>' });
  const styled = await look('hostile.htm',
    { head: hostile, before: '<div id="page"><p>Text</p>', after: '</div>' });
  assert.equal(clean.rows.length, 9);
  assert.deepEqual(styled, clean);
});

test('two menus on one page keep their own items, colours, ids and names', async () => {
  const a = generate(dir, { style: { MainBG: '102030', SubBG: '203040' }, items },
    { preview: false, name: 'a' });
  const b = generate(dir, { style: { MainBG: '405060', SubBG: '506070', VertAlign: 2 }, items: [
    item('Shop', '', { width: 90, items: [item('Cart', 'cart.html'), item('Orders', 'orders.html')] }),
    item('Help', '', { width: 90, items: [item('Faq', 'faq.html')] }),
  ] }, { preview: false, name: 'b' });
  const p = await openPage(browser, pageUrl(dir, realPage(`${a}<p>Content</p>${b}`),
    { name: 'two.htm' }));
  assert.equal((await colours(row(p, 'Home'))).bg, rgb('102030'));
  assert.equal((await colours(row(p, 'Shop'))).bg, rgb('405060'));
  // The second menu's code, read later, does not change the items of the first.
  await row(p, 'Products').hover();
  assert.ok(await row(p, 'Parts').isVisible());
  assert.equal((await colours(row(p, 'Parts'))).bg, rgb('203040'));
  await row(p, 'Shop').hover();
  assert.ok(await row(p, 'Orders').isVisible());
  assert.equal((await colours(row(p, 'Orders'))).bg, rgb('506070'));
  assert.ok((await openMenus(p)).includes('qvm2-Menu1'), 'ids of their own in the second menu');
  const { ids, controls, names } = await p.evaluate(() => {
    const roots = [document,
      ...[...document.querySelectorAll('quorvane-menu')].map((h) => h.shadowRoot)];
    return {
      ids: roots.flatMap((r) => [...r.querySelectorAll('[id]')].map((e) => e.id)),
      // Every aria-controls names a list in the same menu.
      controls: roots.flatMap((r) => [...r.querySelectorAll('[aria-controls]')]
        .map((e) => r.getElementById(e.getAttribute('aria-controls'))?.tagName)),
      names: roots.flatMap((r) => [...r.querySelectorAll('nav')]
        .map((n) => n.getAttribute('aria-label'))),
    };
  });
  assert.equal(new Set(ids).size, ids.length, 'no id twice');
  assert.ok(controls.length === 7 && controls.every((t) => t === 'UL'));
  assert.deepEqual(names, ['Site menu', 'Site menu 2']);
  await p.done();

  // Also when the first menu's line was declared with var by hand (it cannot be watched then).
  const withVar = a.replace('Menu1=new Array', 'var Menu1=new Array');
  const q = await openPage(browser, pageUrl(dir, realPage(withVar + b), { name: 'two-var.htm' }));
  await row(q, 'Products').hover();
  assert.ok(await row(q, 'Parts').isVisible());
  await q.done();
});

test('every link is in the document once the page is idle; text found in it opens its way', async () => {
  const tree = Array.from({ length: 3 }, (_, r) => item(`Section ${r}`, `s${r}.html`, { items:
    Array.from({ length: 3 }, (__, c) => item(`Topic ${r}.${c}`, `t${r}-${c}.html`, { items:
      Array.from({ length: 3 }, (___, g) => item(`Page ${r}.${c}.${g}`, `p${r}-${c}-${g}.html`)) })) }));
  const links = tree.flatMap((s) => [s, ...s.items.flatMap((t) => [t, ...t.items])]).map((i) => i.link);
  assert.equal(links.length, 39);
  const url = pageUrl(dir, realPage(generate(dir, { items: tree }, { preview: false, name: 'crawl' })),
    { name: 'crawl.htm' });
  const p = await openPage(browser, url);
  const found = await p.waitForFunction((count) => {
    const hrefs = [...document.querySelector('quorvane-menu').shadowRoot.querySelectorAll('a[href]')]
      .map((a) => a.getAttribute('href'));
    return hrefs.length >= count && hrefs;
  }, links.length);
  assert.deepEqual((await found.jsonValue()).sort(), links.sort());
  assert.deepEqual(await openMenus(p), [], 'all built, none opened');
  await p.done();

  // A link to a text in a closed sub menu (as find-in-page would) opens the sub menus on its way,
  // in wide windows and in the stacked list of small ones.
  for (const [viewport, path] of [[{ width: 1000, height: 500 }, ['qvm-Menu2', 'qvm-Menu2_3']],
    [{ width: 360, height: 640 }, ['qvm-Menu', 'qvm-Menu2', 'qvm-Menu2_3']]]) {
    const found = await openPage(browser, `${url}#:~:text=Page%201.2.0`, { viewport });
    await found.waitForFunction(() => document.querySelector('quorvane-menu').shadowRoot
      .querySelector('[aria-expanded="true"]'));
    await found.waitForTimeout(100);
    assert.deepEqual(await openMenus(found), path);
    assert.ok(await row(found, 'Page 1.2.0').isVisible());
    await found.done();
  }
});

test('without script every link is in the page as a nested list; the menu takes its place', async () => {
  const code = generate(dir, { items }, { preview: false, name: 'plain' });
  const url = pageUrl(dir, realPage(code, { before: '<p id="before">Before</p>', after: '<p>After</p>' }),
    { name: 'plain.htm' });
  const off = await openPage(browser, url, { javaScriptEnabled: false });
  assert.deepEqual(await off.evaluate(() => [...document.querySelectorAll('a[href]')]
    .filter((a) => a.checkVisibility()).map((a) => a.getAttribute('href'))),
  ['index.html', 'products.html', 'tools.html', 'hammers.html', 'parts.html', 'team.html']);
  const parentOf = (link) => off.evaluate((l) => document.querySelector(`a[href="${l}"]`).closest('li')
    .parentNode.closest('li').firstChild.textContent, link);
  assert.equal(await parentOf('hammers.html'), 'Tools');
  assert.equal(await parentOf('team.html'), 'About');
  await off.done();

  // With script the menu stands where the list stood, which is hidden at once, then removed.
  const on = await openPage(browser, url);
  assert.ok(!await on.evaluate(() => [...document.querySelectorAll('a[href]')]
    .some((a) => a.checkVisibility())));
  await on.waitForFunction(() => !document.querySelector('nav, a[href]'));
  assert.deepEqual(await on.evaluate(() => [...document.body.children].map((e) => e.tagName)),
    ['P', 'STYLE', 'QUORVANE-MENU', 'SCRIPT', 'SCRIPT', 'P']);
  await on.done();
});

test('5,000 items: the engine builds them in short tasks', async (t) => {
  const tree = Array.from({ length: 8 }, (_, r) => item(`Section ${r + 1}`, '', { items:
    Array.from({ length: 24 }, (__, c) => item(`Topic ${r}.${c}`, `t${r}-${c}.html`, { items:
      Array.from({ length: 25 }, (___, g) => item(`Page ${r}.${c}.${g}`, `p${r}-${c}-${g}.html`)) })) }));
  const code = generate(dir, { items: tree }, { preview: false, name: 'five-thousand' });
  const html = realPage(withTaskTimes(code));
  // The time of a task depends on the machine: a busy one (as this shared one often is) stretches
  // tasks now and then, by a few times their length. The best of five loads counts, and only
  // while the machine has a core for each task that wants one.
  const timed = loadavg()[0] < cpus().length;
  let longest = Infinity;
  for (let load = 0; load < 5 && longest >= 50; load++) {
    const p = await openPage(browser, pageUrl(dir, html, { name: 'five-thousand.htm' }));
    await p.waitForFunction(() => document.querySelector('quorvane-menu').shadowRoot
      .querySelectorAll('a[href]').length === 8 * 24 * 26);
    const tasks = await p.evaluate(() => tasks);
    // Whatever the machine, no task builds half of the items.
    const built = tasks.map(([, n], i) => n - (i ? tasks[i - 1][1] : 0));
    assert.ok(Math.max(...built) < 2500, `a task built ${Math.max(...built)} items`);
    longest = Math.min(longest, Math.max(...tasks.map(([ms]) => ms)));
    await p.done();
    if (!timed) break;
  }
  if (timed) assert.ok(longest < 50, `the longest task took ${longest.toFixed(1)} ms`);
  else t.diagnostic(`the machine is busy: the longest task took ${longest.toFixed(1)} ms, not checked`);
});

test('the labels follow the language of the page, or of the nearest element that has one', async () => {
  const code = generate(dir, { items }, { preview: false, name: 'lang' });
  const labels = (p) => p.evaluate(() => {
    const root = document.querySelector('quorvane-menu').shadowRoot;
    return [root.querySelector('.qvm-b').textContent, root.querySelector('nav').getAttribute('aria-label'),
      root.querySelector('[aria-label^="Products"]').getAttribute('aria-label')];
  });
  for (const [lang, wrap, want] of [
    ['de', {}, ['Men\u00fc', 'Website-Men\u00fc', 'Products, Untermen\u00fc']],
    ['de', { before: '<div lang="fr-CA">', after: '</div>' }, ['Menu', 'Menu du site', 'Products, sous-menu']],
    ['ar', {}, ['\u0627\u0644\u0642\u0627\u0626\u0645\u0629', '\u0642\u0627\u0626\u0645\u0629 \u0627\u0644\u0645\u0648\u0642\u0639',
      'Products\u060c \u0642\u0627\u0626\u0645\u0629 \u0641\u0631\u0639\u064a\u0629']],
    ['ja', {}, ['\u30e1\u30cb\u30e5\u30fc', '\u30b5\u30a4\u30c8\u30e1\u30cb\u30e5\u30fc',
      'Products\u3001\u30b5\u30d6\u30e1\u30cb\u30e5\u30fc']],
    ['pl', {}, ['Menu', 'Site menu', 'Products, sub menu']],
  ]) {
    const html = realPage(code, wrap).replace('<html lang="en">', `<html lang="${lang}">`);
    const p = await openPage(browser, pageUrl(dir, html, { name: `lang-${lang}.htm` }));
    assert.deepEqual(await labels(p), want, `${lang} ${JSON.stringify(wrap)}`);
    await p.done();
  }
});
