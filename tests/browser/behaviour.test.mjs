// Opening and closing sub menus with the mouse and by touch, arrows, direction and wrapping.
import assert from 'node:assert/strict';
import { describe, test } from 'node:test';
import {
  browser, dir, expandedMatchesVisibility, generate, item, makeWorkDir, openMenus, openPage, pageUrl,
  previewUrl, rect, removeWorkDir, rgb, row, setVar, subMenu, useBrowser,
} from './helpers.mjs';

useBrowser(Object.fromEntries(['index.html', 'parts.html', 'bolts.html']
  .map((f) => [f, `<title>${f}</title><p id="arrived">${f}</p>`])));

const design = (style = {}) => ({ style, items: [
  item('Home', 'index.html'),
  item('Products', 'http://', { width: 100, items: [
    item('Tools', 'tools.html', { width: 120 }),
    item('Parts', 'parts.html', { items: [item('Bolts', 'bolts.html', { width: 100 }), item('Nuts', '')] }),
  ] }),
  item('About', '', { items: [item('Team', 'team.html')] }),
] });

const open = (url, options) => openPage(browser, url, options);

test('hover opens sub menus, which close a while after the pointer has left', async () => {
  // Page content of its own with a high z-index, and page styles that would hide a nav.
  const content = (html) => html.replace('</body>', '<style>nav{display:none}</style>'
    + '<div id="content" style="position:relative;z-index:1000;height:400px;background:#eee">'
    + 'Content</div></body>');
  const page = await open(previewUrl(dir, design(), { name: 'hover', edit: content }));
  assert.deepEqual(await openMenus(page), []);
  await row(page, 'Products').hover();
  await row(page, 'Parts').hover();
  assert.deepEqual(await openMenus(page), ['qvm-Menu2', 'qvm-Menu2_2']);
  assert.ok(await row(page, 'Bolts').isVisible());
  assert.ok(await expandedMatchesVisibility(page));
  // Sub menus lie above the page's content.
  const onTop = await row(page, 'Bolts').evaluate((e) => {
    const r = e.getBoundingClientRect();
    return e.contains(e.getRootNode().elementFromPoint(r.left + r.width / 2, r.top + r.height / 2));
  });
  assert.ok(onTop, 'Bolts is not covered by the page content');
  // Resting on a sibling closes the other branch; resting on the bar closes the sub menus of
  // other roots.
  await row(page, 'Tools').hover();
  assert.deepEqual(await openMenus(page), ['qvm-Menu2']);
  await row(page, 'About').hover();
  assert.deepEqual(await openMenus(page), ['qvm-Menu3']);
  // A mouse click on an item that hovering opened leaves it open.
  await row(page, 'About').click();
  assert.deepEqual(await openMenus(page), ['qvm-Menu3']);

  // (Checks that depend on how fast this process runs are made only when it kept up.)
  await page.mouse.move(600, 400);
  const left = Date.now();
  await page.waitForTimeout(400);
  const halfway = await openMenus(page);
  if (Date.now() - left < 900) {
    assert.deepEqual(halfway, ['qvm-Menu3'], 'still open part-way through the delay');
  }
  await page.waitForFunction(() =>
    !document.querySelector('quorvane-menu').shadowRoot.querySelector('[aria-expanded="true"]'));
  const waited = Date.now() - left;
  assert.ok(waited >= 950 && waited < 2500, `closed after ${waited} ms, the delay is 1000 ms`);
  assert.ok(!(await row(page, 'Team').isVisible()));
  assert.ok(await expandedMatchesVisibility(page));

  // Coming back before the delay is over keeps the menu open.
  await row(page, 'About').hover();
  await page.mouse.move(600, 400);
  const away = Date.now();
  await page.waitForTimeout(300);
  await row(page, 'About').hover();
  const back = Date.now() - away;
  await page.waitForTimeout(900);
  if (back < 900) assert.deepEqual(await openMenus(page), ['qvm-Menu3']);
  // Escape dismisses what hovering opened without moving the pointer.
  await page.keyboard.press('Escape');
  assert.deepEqual(await openMenus(page), []);
  await page.done();
});

test('with unfolding on click, hovering only highlights and clicks open and close', async () => {
  const page = await open(previewUrl(dir, design({ OnMouseOver: 1 }), { name: 'click' }));
  await row(page, 'Products').hover();
  assert.deepEqual(await openMenus(page), []);
  assert.deepEqual(
    await row(page, 'Products').evaluate((e) => getComputedStyle(e).backgroundColor), rgb('009CE8'));
  await row(page, 'Products').click();
  assert.deepEqual(await openMenus(page), ['qvm-Menu2']);
  // An item with both a link and a sub menu: the first click opens, the second follows.
  await page.getByRole('link', { name: 'Parts' }).click();
  assert.deepEqual(await openMenus(page), ['qvm-Menu2', 'qvm-Menu2_2']);
  assert.ok(page.url().endsWith('-page.htm'));
  await row(page, 'Products').click();
  assert.deepEqual(await openMenus(page), []);
  assert.ok(await expandedMatchesVisibility(page));
  // A click outside the menu closes it.
  await row(page, 'About').click();
  assert.deepEqual(await openMenus(page), ['qvm-Menu3']);
  await page.mouse.click(700, 400);
  assert.deepEqual(await openMenus(page), []);
  await row(page, 'Products').click();
  await page.getByRole('link', { name: 'Parts' }).click();
  await page.getByRole('link', { name: 'Parts' }).click();
  await page.waitForURL(/parts\.html$/);
  await page.done();
});

test('touch: the first tap opens a sub menu, the second follows the link', async () => {
  const page = await open(previewUrl(dir, design(), { name: 'touch' }), { hasTouch: true, isMobile: true });
  await row(page, 'Products').tap();
  assert.deepEqual(await openMenus(page), ['qvm-Menu2']);
  await page.getByRole('link', { name: 'Parts' }).tap();
  assert.deepEqual(await openMenus(page), ['qvm-Menu2', 'qvm-Menu2_2']);
  assert.ok(page.url().endsWith('-page.htm'), 'the first tap does not follow the link');
  assert.ok(await expandedMatchesVisibility(page));
  // A tap on a heading closes its open sub menu again; a tap outside closes everything.
  await row(page, 'Products').tap();
  assert.deepEqual(await openMenus(page), []);
  await row(page, 'About').tap();
  await page.touchscreen.tap(700, 400);
  assert.deepEqual(await openMenus(page), []);
  await row(page, 'Products').tap();
  await page.getByRole('link', { name: 'Parts' }).tap();
  await page.getByRole('link', { name: 'Parts' }).tap();
  await page.waitForURL(/parts\.html$/);
  await page.done();
});

describe('arrows', () => {
  const arrowSources = (page) => page.locator('nav.qvm img').evaluateAll((imgs) =>
    imgs.map((i) => `${i.getAttribute('src')} ${i.naturalWidth}x${i.naturalHeight} ${i.alt === '' ? 'decorative' : 'named'}`));

  test('light, dark and none', async () => {
    const light = await open(previewUrl(dir, design({ Arrows: 1, MenuType: 1 }), { name: 'light' }));
    await row(light, 'Products').hover();
    assert.deepEqual(await arrowSources(light), ['tri.gif 5x10 decorative', 'tri.gif 5x10 decorative',
      'tri.gif 5x10 decorative']);
    await light.done();

    const dark = await open(previewUrl(dir, design({ Arrows: 2 }), { name: 'dark' }));
    await row(dark, 'Products').hover();
    assert.deepEqual(await arrowSources(dark), ['tridarkdown.gif 10x5 decorative',
      'tridark.gif 5x10 decorative', 'tridarkdown.gif 10x5 decorative']);
    await dark.done();

    // Without arrows the headings show none; a link with a sub menu keeps its sub menu button
    // for the keyboard, shown only while it has the focus.
    const none = await open(previewUrl(dir, design({ Arrows: 0 }), { name: 'none' }));
    await row(none, 'Products').hover();
    assert.deepEqual(await arrowSources(none), []);
    const button = row(none, 'Parts').getByRole('button', { name: 'Parts' });
    assert.ok((await rect(button)).width <= 1);
    await button.focus();
    assert.ok((await rect(button)).width > 5);
    await none.done();
  });

  test('a triangle in the font colour stands in for missing images', async () => {
    const bare = makeWorkDir();
    const page = await open(previewUrl(bare, design({ SubFont: '112233', MenuType: 1 }),
      { images: false }));
    await row(page, 'Products').hover();
    await page.waitForFunction(() =>
      document.querySelector('quorvane-menu').shadowRoot.querySelector('nav.qvm-nor'));
    const arrow = await row(page, 'Parts').locator('[aria-hidden="true"]').evaluate((e) => {
      const before = getComputedStyle(e, '::before');
      const r = e.getBoundingClientRect();
      return { colour: before.borderLeftColor, width: before.borderLeftWidth,
        img: getComputedStyle(e.querySelector('img')).display, size: [r.width, r.height] };
    });
    assert.deepEqual(arrow, { colour: rgb('112233'), width: '5px', img: 'none', size: [5, 10] });
    await page.done();
    removeWorkDir(bare);
  });
});

test('RightToLeft opens sub menus to the left with left arrows', async () => {
  const html = setVar(generate(dir, design({ HorzAlign: 2 }), { name: 'rtl' }), 'RightToLeft', 1);
  const page = await open(pageUrl(dir, html, { name: 'rtl.htm' }));
  await row(page, 'Products').hover();
  await row(page, 'Parts').hover();
  const parent = await rect(row(page, 'Parts'));
  const list = await rect(await subMenu(page, 'Parts'));
  // Overlapping the item by at most a fifth of its width, and not its caption at the left
  assert.ok(list.right <= parent.left + parent.width * 0.2 + 1 && list.right >= parent.left - 1,
    `sub menu right edge ${list.right}, parent ${parent.left}+${parent.width}`);
  assert.equal(await row(page, 'Parts').locator('img').getAttribute('src'), 'tridarkleft.gif');
  await page.done();
});

describe('MenuWrap keeps open sub menus inside the window', () => {
  // Wide items at the right end of the bar, three levels deep, so that every level would
  // leave the window when placed as usual.
  const wide = (style) => ({ style, items: [
    item('One', 'index.html', { width: 60 }),
    item('Last', '', { width: 90, items: [
      item('Level two', '', { width: 150, items: [
        item('Level three', '', { width: 140, items: [item('Level four', 'bolts.html', { width: 160 })] }),
      ] }),
    ] }),
  ] });
  // (Narrower windows show the Menu button instead: see smallscreen.test.mjs.)
  for (const width of [640, 768, 1280]) {
    test(`${width} px wide window`, async () => {
      const page = await open(previewUrl(dir, wide({ HorzAlign: 2, MenuLeft: 0 }), { name: `wrap${width}` }),
        { viewport: { width, height: 400 } });
      for (const caption of ['Last', 'Level two', 'Level three']) await row(page, caption).hover();
      const vw = await page.evaluate(() => document.documentElement.clientWidth);
      for (const caption of ['Last', 'Level two', 'Level three']) {
        const r = await rect(await subMenu(page, caption));
        assert.ok(r.left >= 0 && r.right <= vw, `${caption}: ${r.left}..${r.right} in ${vw}`);
      }
      // A sub menu beside its parent that no longer fits on the right opens on the left, with a
      // left arrow.
      const parent = await rect(row(page, 'Level two'));
      const list = await rect(await subMenu(page, 'Level two'));
      assert.ok(list.right <= parent.left + parent.width * 0.2 + 1, 'opens to the left');
      assert.equal(await row(page, 'Level two').locator('img').getAttribute('src'), 'tridarkleft.gif');
      assert.ok(await row(page, 'Level four').isVisible());
      await page.done();
    });
  }

  test('without MenuWrap a sub menu may leave the window', async () => {
    const html = setVar(generate(dir, wide({ HorzAlign: 2, MenuLeft: 0 }), { name: 'nowrap' }),
      'MenuWrap', 0);
    const page = await open(pageUrl(dir, html, { name: 'nowrap.htm' }), { viewport: { width: 640, height: 400 } });
    for (const caption of ['Last', 'Level two']) await row(page, caption).hover();
    const r = await rect(await subMenu(page, 'Level two'));
    assert.ok(r.right > 640, `right edge ${r.right}`);
    await page.done();
  });
});
