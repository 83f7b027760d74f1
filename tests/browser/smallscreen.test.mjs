// Narrow windows and bars too wide for the window: one Menu button that opens the whole tree as
// a stacked list, by touch, mouse and keyboard, switching back and forth as the window changes.
import assert from 'node:assert/strict';
import { test } from 'node:test';
import {
  browser, colours, dir, focused, generate, item, openMenus, openPage, pageUrl, realPage, rect, rgb,
  row, startUpStyle, useBrowser,
} from './helpers.mjs';

useBrowser(Object.fromEntries(['hammers.html', 'item-50.html', 'root-50.html', 'accessories.html']
  .map((f) => [f, `<title>${f}</title><p id="arrived">${f}</p>`])));

const page = (name, design) =>
  pageUrl(dir, realPage(generate(dir, design, { preview: false, name })), { name: `${name}.htm` });
const items = [
  item('Home', 'index.html', { width: 80 }),
  item('Products', '', { width: 100, items: [
    item('Tools', 'tools.html', { items: [item('Hammers', 'hammers.html'), item('Saws', 'saws.html')] }),
    item('Parts', 'parts.html'),
  ] }),
  item('About us', 'about.html', { width: 100, items: [item('Team', 'team.html')] }),
  item('Contact', 'contact.html'),
];
const menuButton = (p) => p.getByRole('button', { name: 'Menu', exact: true });
// The window takes its new size; the menu decides its mode once the window stands still, which
// takes a frame or more after the resize, and the page's next frame then shows it.
const resize = async (p, width, height) => {
  await p.setViewportSize({ width, height });
  await p.waitForFunction((narrow) => document.querySelector('quorvane-menu').shadowRoot
    .querySelector('nav.qvm').classList.contains('qvm-m') === narrow, width < 600);
  await p.evaluate(() => new Promise((done) => requestAnimationFrame(done)));
};

for (const [width, height] of [[320, 640], [360, 740]]) {
  test(`a phone of ${width}x${height}: the Menu button, then tap through two levels`, async () => {
    const p = await openPage(browser, page(`phone${width}`, { items }),
      { viewport: { width, height }, hasTouch: true, isMobile: true });
    // Closed, the menu covers no more than its button, drawn in the design's colours.
    const closed = await rect(p.locator('quorvane-menu'));
    const button = await rect(menuButton(p));
    assert.ok(button.width >= 44 && button.height >= 44, `button ${button.width}x${button.height}`);
    assert.ok(closed.width <= button.width + 1 && closed.height <= button.height + 1,
      `closed menu ${closed.width}x${closed.height}`);
    assert.deepEqual(await colours(menuButton(p)),
      { bg: rgb(startUpStyle.MainBG), fg: rgb(startUpStyle.MainFont) });
    assert.equal(await menuButton(p).getAttribute('aria-expanded'), 'false');
    assert.ok(!(await row(p, 'Home').isVisible()));

    await menuButton(p).tap();
    assert.equal(await menuButton(p).getAttribute('aria-expanded'), 'true');
    await row(p, 'Products').tap();
    await row(p, 'Tools').getByRole('link').tap();
    assert.deepEqual(await openMenus(p), ['qvm-Menu', 'qvm-Menu2', 'qvm-Menu2_1']);
    // Every row shown is at least 44 px high, indented by its level, inside the window.
    const rows = await p.locator('nav.qvm .qvm-r:visible').evaluateAll((list) =>
      list.map((e) => e.getBoundingClientRect().toJSON()));
    assert.equal(rows.length, 8);
    for (const r of rows) {
      assert.ok(r.height >= 44 && r.left >= 0 && r.right <= width, JSON.stringify(r));
    }
    const [home, tools, hammers] = await Promise.all(['Home', 'Tools', 'Hammers']
      .map((t) => rect(row(p, t))));
    assert.ok(home.left < tools.left && tools.left < hammers.left, 'indented by level');
    await row(p, 'Hammers').tap();
    await p.waitForURL(/hammers\.html$/);
    await p.done();
  });
}

test('resizing switches modes and the focus stays; the keyboard works in both', async () => {
  const p = await openPage(browser, page('resize', { items }),
    { viewport: { width: 1000, height: 600 } });
  const expect = async (want, open) => {
    assert.equal(await focused(p), want);
    if (open) assert.deepEqual(await openMenus(p), open);
  };
  await row(p, 'Products').getByRole('button').focus();
  await p.keyboard.press('Enter');
  await p.keyboard.press('Tab');
  await expect('link Tools', ['qvm-Menu2']);
  // Narrow: the stacked list opens with the focused item in it.
  await resize(p, 360, 640);
  await expect('link Tools', ['qvm-Menu', 'qvm-Menu2']);
  assert.ok(await row(p, 'Tools').isVisible());
  await p.keyboard.press('ArrowRight');
  await expect('link Hammers', ['qvm-Menu', 'qvm-Menu2', 'qvm-Menu2_1']);
  await p.keyboard.press('ArrowLeft');
  await expect('button Tools, sub menu', ['qvm-Menu', 'qvm-Menu2']);
  await p.keyboard.press('Escape');
  await expect('button Products', ['qvm-Menu']);
  await p.keyboard.press('ArrowDown');
  await expect('link About us');
  await p.keyboard.press('Escape');
  await expect('button Menu', []);
  assert.ok(!(await row(p, 'Home').isVisible()));
  await p.keyboard.press('Enter');
  await p.keyboard.press('Tab');
  await expect('link Home', ['qvm-Menu']);
  await p.keyboard.press('Shift+Tab');
  // Wide again: from the Menu button the focus goes to the bar's first item.
  await resize(p, 1000, 600);
  await expect('link Home', []);
  assert.ok(await row(p, 'Contact').isVisible() && !(await menuButton(p).isVisible()));
  await p.done();
});

// Sub menus open when the window narrows stay open in the stacked list, so that text found in
// the page before the first frame (which opens its way) is still shown once the mode is known.
test('sub menus open when the window narrows stay open in the stacked list', async () => {
  const p = await openPage(browser, page('narrowing', { items }),
    { viewport: { width: 1000, height: 600 } });
  await row(p, 'Products').hover();
  assert.deepEqual(await openMenus(p), ['qvm-Menu2']);
  await resize(p, 360, 640);
  assert.deepEqual(await openMenus(p), ['qvm-Menu', 'qvm-Menu2']);
  assert.ok(await row(p, 'Tools').isVisible());
  await p.done();
});

test('a bar wider than the window becomes the Menu button; a tall vertical bar scrolls', async () => {
  const fifty = Array.from({ length: 50 }, (_, i) => item(`Item ${i + 1}`, `item-${i + 1}.html`));
  const wide = await openPage(browser, page('fifty', { items: fifty }),
    { viewport: { width: 1280, height: 800 } });
  await menuButton(wide).click();
  const list = wide.locator('nav.qvm .qvm-top');
  const box = await rect(list);
  assert.ok(box.bottom <= 800 && await list.evaluate((e) => e.scrollHeight > e.clientHeight));
  await row(wide, 'Item 50').click();
  await wide.waitForURL(/item-50\.html$/);
  await wide.done();

  const roots = Array.from({ length: 50 }, (_, i) => item(`Root ${i + 1}`, `root-${i + 1}.html`));
  const tall = await openPage(browser, page('tall', { style: { MenuType: 1 }, items: roots }),
    { viewport: { width: 1280, height: 600 } });
  assert.ok(!(await menuButton(tall).isVisible()));
  assert.ok((await rect(tall.locator('nav.qvm .qvm-top'))).bottom <= 600);
  await row(tall, 'Root 50').click();
  await tall.waitForURL(/root-50\.html$/);
  await tall.done();
});

test('a 60-character word breaks inside its item at 320 px', async () => {
  const word = 'Pneumonoultramicroscopicsilicovolcanoconiosisandmoreletterss';
  assert.equal(word.length, 60);
  const design = { items: [item('Words', '', { items: [item(word, 'w.html')] })] };
  const p = await openPage(browser, page('word', design),
    { viewport: { width: 320, height: 640 }, hasTouch: true, isMobile: true });
  await menuButton(p).tap();
  await row(p, 'Words').tap();
  const fits = await row(p, word).evaluate((e) => {
    const text = e.querySelector('.qvm-x');
    return { right: e.getBoundingClientRect().right, spill: text.scrollWidth - text.clientWidth,
      lines: Math.round(text.getBoundingClientRect().height
        / parseFloat(getComputedStyle(text).lineHeight)) };
  });
  assert.ok(fits.right <= 320 && fits.spill <= 0 && fits.lines >= 2, JSON.stringify(fits));
  await p.done();
});

// A sub list that loses the focus closes only once the press is over, so that what moves up
// under the finger is never what the press ends on; and the focused item stays in view.
const shop = [
  item('Home', 'index.html'),
  item('Products', '', { items: [
    item('Laptops', '', { items: ['Light', 'Heavy', 'Gaming'].map((t) => item(t, `${t}.html`)) }),
    item('Phones', 'phones.html'), item('Accessories', 'accessories.html'),
  ] }),
  ...['About', 'Contact', 'Help', 'Jobs'].map((t) => item(t, `${t}.html`)),
];
const openLaptops = async (p) => {
  await menuButton(p).tap();
  await row(p, 'Products').tap();
  await row(p, 'Laptops').tap();
  assert.deepEqual(await openMenus(p), ['qvm-Menu', 'qvm-Menu2', 'qvm-Menu2_1']);
};

test('a press below an open sub list lands where it began, by mouse and by touch', async () => {
  for (const how of ['mouse', 'touch']) {
    const p = await openPage(browser, page(`press-${how}`, { items: shop }),
      { viewport: { width: 360, height: 640 }, hasTouch: true, isMobile: true });
    await openLaptops(p);
    const [x, y] = await p.getByRole('link', { name: 'Accessories' }).evaluate((e) => {
      const r = e.getBoundingClientRect();
      return [r.left + r.width / 2, r.top + r.height / 2];
    });
    if (how === 'touch') {
      await p.touchscreen.tap(x, y);
    } else {
      await p.mouse.move(x, y);
      await p.mouse.down();
      await p.mouse.up();
    }
    await p.waitForURL(/accessories\.html$/);
    await p.done();
  }
});

test('at 320x200 (a 1280x800 window zoomed to 400 %) Tab keeps the focused item in view', async () => {
  const p = await openPage(browser, page('zoomed', { items: shop }),
    { viewport: { width: 320, height: 200 } });
  await menuButton(p).focus();
  await p.keyboard.press('Enter');
  // (Firefox also stops on the list itself, which scrolls.)
  const tabTo = async (name) => {
    for (let n = 0; n < 5 && await focused(p) !== name; n++) await p.keyboard.press('Tab');
  };
  await tabTo('button Products');
  await p.keyboard.press('Enter');
  await tabTo('button Laptops');
  await p.keyboard.press('Enter');
  await tabTo('link Gaming');
  await p.keyboard.press('Tab');
  assert.equal(await focused(p), 'link Phones');
  await p.evaluate(() => new Promise((done) => requestAnimationFrame(done)));
  const seen = await (await p.evaluateHandle(() => {
    let e = document.activeElement;
    while (e.shadowRoot && e.shadowRoot.activeElement) e = e.shadowRoot.activeElement;
    return e;
  })).evaluate((e) => {
    const r = e.getBoundingClientRect();
    const list = e.closest('.qvm-top').getBoundingClientRect();
    return r.top >= Math.max(0, list.top) && r.bottom <= Math.min(innerHeight, list.bottom);
  });
  assert.ok(seen, 'Phones is inside the visible part of the list');
  await p.done();
});
