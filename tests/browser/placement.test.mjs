// Where open sub menus appear in real pages: never on their own item, inside the window, above
// everything else on the page; and what Escape and taps do there.
import assert from 'node:assert/strict';
import { describe, test } from 'node:test';
import {
  browser, dir, generate, intersects, item, openMenus, openPage, pageUrl, realPage, rect, row,
  subMenu, useBrowser,
} from './helpers.mjs';

useBrowser(Object.fromEntries(['products.html', 'hammers.html', 'entry-40.html']
  .map((f) => [f, `<title>${f}</title><p id="arrived">${f}</p>`])));

const page = (name, design, wrap = {}) =>
  pageUrl(dir, realPage(generate(dir, design, { preview: false, name }), wrap), { name: `${name}.htm` });

// Whether the point in the middle of a row shows that row (and not something drawn over it).
const onTop = (locator) => locator.evaluate((e) => {
  const r = e.getBoundingClientRect();
  return e.contains(e.getRootNode().elementFromPoint(r.left + r.width / 2, r.top + r.height / 2));
});

const products = [
  item('Home', 'index.html', { width: 80 }),
  item('Products', 'products.html', { width: 100, items: [
    item('Tools', 'tools.html', { width: 140, items: [
      item('Hammers', 'hammers.html', { width: 120 }), item('Saws', 'saws.html'),
      item('Drills', 'drills.html'),
    ] }),
    item('Parts', 'parts.html'), item('Spares', 'spares.html'), item('Offers', 'offers.html'),
  ] }),
  item('About', '', { width: 90, items: [item('Team', 'team.html'), item('History', 'history.html')] }),
];

describe('a bar at the bottom of the window', () => {
  for (const [HorzAlign, where] of [[0, 'left'], [1, 'centre'], [2, 'right']]) {
    test(`aligned ${where}`, async () => {
      const url = page(`bottom${HorzAlign}`,
        { style: { VertAlign: 2, HorzAlign, MenuTop: 0, MenuLeft: 0 }, items: products });
      const mouse = await openPage(browser, url);
      const inWindow = (r) => r.left >= 0 && r.top >= 0 && r.right <= 1000 && r.bottom <= 500;
      await row(mouse, 'Products').hover();
      await row(mouse, 'Tools').hover();
      const [bar, first, tools, second] = await Promise.all([rect(row(mouse, 'Products')),
        rect(await subMenu(mouse, 'Products')), rect(row(mouse, 'Tools')),
        rect(await subMenu(mouse, 'Tools'))]);
      assert.ok(!intersects(first, bar) && first.bottom <= bar.top + 1, 'opens above its bar item');
      assert.ok(inWindow(first) && inWindow(second), 'inside the window');
      // Beside its item, overlapping it only by the design's fraction of its width.
      assert.ok(second.left >= tools.left + tools.width * 0.8 - 1
        || second.right <= tools.left + tools.width * 0.2 + 1);
      assert.ok(await onTop(row(mouse, 'Products')) && await onTop(row(mouse, 'Tools')));

      // Escape with the pointer resting on the item closes its sub menu, which stays closed
      // until the pointer leaves the item and comes back.
      const about = await rect(row(mouse, 'About'));
      const y = about.top + about.height / 2;
      await mouse.mouse.move(about.left + 10, y);
      assert.deepEqual(await openMenus(mouse), ['qvm-Menu3']);
      await mouse.keyboard.press('Escape');
      // From the caption to the arrow: other elements of the same item.
      await mouse.mouse.move(about.right - 6, y, { steps: 5 });
      assert.deepEqual(await openMenus(mouse), []);
      await mouse.mouse.move(about.left + 20, about.top - 100);
      await mouse.mouse.move(about.left + 20, y);
      assert.deepEqual(await openMenus(mouse), ['qvm-Menu3']);
      await mouse.done();

      // Two taps on the same spot of a bar item: the first opens its sub menu, the second
      // follows the item's own link, not one of the sub menu's.
      const touch = await openPage(browser, url, { hasTouch: true, isMobile: true });
      const spot = await rect(row(touch, 'Products'));
      await touch.touchscreen.tap(spot.left + spot.width / 2, spot.top + spot.height / 2);
      assert.deepEqual(await openMenus(touch), ['qvm-Menu2']);
      assert.ok(touch.url().endsWith(`bottom${HorzAlign}.htm`));
      await touch.touchscreen.tap(spot.left + spot.width / 2, spot.top + spot.height / 2);
      await touch.waitForURL(/products\.html$/);
      await touch.done();
    });
  }
});

test('a sub menu taller than the window scrolls inside itself', async () => {
  const entries = Array.from({ length: 40 }, (_, i) => item(`Entry ${i + 1}`, `entry-${i + 1}.html`));
  const url = page('tall',
    { items: [item('Home', 'index.html'), item('Catalogue', '', { width: 100, items: entries })] });
  const p = await openPage(browser, url, { viewport: { width: 640, height: 360 } });
  await row(p, 'Catalogue').hover();
  const list = await subMenu(p, 'Catalogue');
  const [box, parent] = await Promise.all([rect(list), rect(row(p, 'Catalogue'))]);
  assert.ok(box.top >= parent.bottom - 1 && box.bottom <= 360, `sub menu ${box.top}..${box.bottom}`);
  assert.ok(await list.evaluate((e) => e.scrollHeight > e.clientHeight));
  // The keyboard reaches the last item and the browser scrolls it into view.
  await p.keyboard.press('Escape');
  await row(p, 'Catalogue').getByRole('button').focus();
  await p.keyboard.press('ArrowDown');
  await p.keyboard.press('End');
  const last = await rect(row(p, 'Entry 40'));
  assert.ok(last.top >= box.top && last.bottom <= box.bottom + 1, 'Entry 40 in view');
  // So does the pointer.
  await p.mouse.move(600, 340);
  await row(p, 'Catalogue').hover();
  await row(p, 'Entry 40').click();
  await p.waitForURL(/entry-40\.html$/);
  await p.done();
});

test('open sub menus lie above a sticky header and a slider with a high z-index', async () => {
  const design = { items: [item('Home', 'index.html'), item('Products', '', { width: 100, items: [
    item('Tools', 'tools.html', { items: [item('Hammers', 'hammers.html'), item('Saws', 'saws.html')] }),
    ...['Parts', 'Spares', 'Offers', 'Sale'].map((t) => item(t, `${t}.html`)),
  ] })] };
  const url = page('sticky', design, {
    head: '<style>header{position:sticky;top:0;z-index:100;height:40px;background:#333}'
      + '.slider{position:relative;z-index:9999;height:400px;background:#c33}</style>',
    before: '<header>', after: '</header><div class="slider">Slider</div><p>Text</p>',
  });
  const p = await openPage(browser, url);
  await row(p, 'Products').hover();
  await row(p, 'Tools').hover();
  const captions = ['Tools', 'Parts', 'Spares', 'Offers', 'Sale', 'Hammers', 'Saws'];
  for (const caption of captions) assert.ok(await onTop(row(p, caption)), `${caption} is drawn on top`);
  await p.done();
});

describe('every item can be reached', () => {
  const tree = [
    item('One', 'one.html', { width: 70, items: [
      item('One A', 'one-a.html', { width: 120,
        items: [item('One A deep', 'one-a-deep.html', { width: 140 })] }),
      item('One B', 'one-b.html'),
    ] }),
    item('Two', '', { width: 70, items: [item('Two A', 'two-a.html', { width: 160 })] }),
    item('Three', 'three.html', { width: 70 }),
    item('Four', '', { width: 80, items: [
      item('Four A', '', { width: 150,
        items: [item('Four A deep', 'four-a-deep.html', { width: 170 })] }),
    ] }),
  ];
  const paths = [['One', 'One A', 'One A deep'], ['One', 'One B'], ['Two', 'Two A'], ['Three'],
    ['Four', 'Four A', 'Four A deep']];
  // Every horizontal and every vertical alignment at least once, in each window.
  const alignments = [[0, 0], [1, 1], [2, 2], [2, 3]];
  for (const [width, height] of [[320, 640], [768, 1024], [1280, 800]]) {
    test(`${width}x${height}`, async () => {
      const touch = width < 600;
      for (const [HorzAlign, VertAlign] of alignments) {
        const style = { HorzAlign, VertAlign, MenuTop: 0, MenuLeft: 0 };
        const p = await openPage(browser,
          page(`reach${width}-${HorzAlign}${VertAlign}`, { style, items: tree }),
          { viewport: { width, height }, hasTouch: touch, isMobile: touch });
        const menu = p.getByRole('button', { name: 'Menu', exact: true });
        for (const path of paths) {
          if (touch) await menu.tap();
          for (const caption of path) {
            // By touch the sub menus open with their buttons (beside a link, or the heading).
            if (!touch) await row(p, caption).hover();
            else if (caption !== path.at(-1)) await row(p, caption).getByRole('button').tap();
            else await row(p, caption).scrollIntoViewIfNeeded();
            const r = await rect(row(p, caption));
            const where = `${caption} at ${HorzAlign},${VertAlign}: ${JSON.stringify(r)}`;
            assert.ok(r.left >= 0 && r.top >= 0 && r.right <= width && r.bottom <= height, where);
            assert.ok(await onTop(row(p, caption)), where);
          }
          if (touch) await menu.tap();
        }
        await p.done();
      }
    });
  }
});

test('a bar that scrolls with the page takes its open sub menus along', async () => {
  const code = generate(dir, { style: { VertAlign: 3, MenuTop: 300 }, items: products },
    { preview: false, name: 'static' });
  const url = pageUrl(dir, realPage(code, { after: '<div style="height:3000px"></div>' }),
    { name: 'static.htm' });
  const p = await openPage(browser, url);
  await row(p, 'Products').hover();
  const before = await rect(await subMenu(p, 'Products'));
  await p.evaluate(() => window.scrollBy(0, 120));
  await p.waitForFunction(() => window.scrollY === 120);
  await p.evaluate(() => new Promise((done) => requestAnimationFrame(() =>
    requestAnimationFrame(done))));
  const [after, parent] = await Promise.all([rect(await subMenu(p, 'Products')),
    rect(row(p, 'Products'))]);
  assert.ok(Math.abs(after.top - (before.top - 120)) <= 1, `${before.top} -> ${after.top}`);
  assert.ok(Math.abs(after.top - parent.bottom) <= 1);
  await p.done();
});
