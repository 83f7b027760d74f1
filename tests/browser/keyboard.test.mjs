// Using the menu with the keyboard alone.
import assert from 'node:assert/strict';
import { test } from 'node:test';
import {
  browser, dir, expandedMatchesVisibility, focused, item, openMenus, openPage, previewUrl, rgb, row,
  useBrowser,
} from './helpers.mjs';

useBrowser({ 'tools.html': '<title>tools</title>', 'index.html': '<title>index</title>' });

const items = [
  item('Home', 'index.html'),
  item('Products', '', { items: [
    item('Tools', 'tools.html'),
    item('Parts', 'parts.html', { items: [item('Bolts', 'bolts.html'), item('Nuts', 'nuts.html')] }),
    item('Note', ''),
    item('Spares', 'spares.html'),
  ] }),
  item('Contact', 'contact.html'),
];
// A button after the menu in the page, to see where the focus goes when it leaves the menu.
const withButton = (html) => html.replace('</body>', '<p><button id="after">After</button></p></body>');

const open = (style = {}, name = 'keys') =>
  openPage(browser, previewUrl(dir, { style, items }, { name, edit: withButton }));

async function press(page, key, expectFocus, expectOpen) {
  await page.keyboard.press(key);
  assert.equal(await focused(page), expectFocus, `after ${key}`);
  if (expectOpen) assert.deepEqual(await openMenus(page), expectOpen, `open after ${key}`);
  assert.ok(await expandedMatchesVisibility(page), `aria-expanded after ${key}`);
}

for (const [label, style] of [['hover', {}], ['click', { OnMouseOver: 1 }]]) {
  test(`Tab, Enter and Space, Escape (sub menus unfold on ${label})`, async () => {
    const page = await open(style, `tab-${label}`);
    await press(page, 'Tab', 'link Home', []);
    await press(page, 'Tab', 'button Products', []);
    // Focus is shown in the mouse-over colours.
    assert.equal(await row(page, 'Products').evaluate((e) => getComputedStyle(e).backgroundColor),
      rgb('009CE8'));
    await press(page, 'Enter', 'button Products', ['qvm-Menu2']);
    // Tab walks into the open sub menu; a link with a sub menu has a button of its own; the
    // closed sub menu and the plain text item are skipped.
    await press(page, 'Tab', 'link Tools');
    await press(page, 'Tab', 'link Parts');
    await press(page, 'Tab', 'button Parts, sub menu');
    await press(page, 'Space', 'button Parts, sub menu', ['qvm-Menu2', 'qvm-Menu2_2']);
    await press(page, 'Tab', 'link Bolts');
    await press(page, 'Shift+Tab', 'button Parts, sub menu');
    await press(page, 'Space', 'button Parts, sub menu', ['qvm-Menu2']);
    await press(page, 'Tab', 'link Spares');
    // Escape closes the sub menu the focus is in and returns the focus to its button.
    await press(page, 'Escape', 'button Products', []);
    await press(page, 'Space', 'button Products', ['qvm-Menu2']);
    // Moving to another item of the bar closes the sub menu the focus has left.
    await press(page, 'Tab', 'link Tools');
    await press(page, 'Shift+Tab', 'button Products', ['qvm-Menu2']);
    await press(page, 'Shift+Tab', 'link Home', []);
    // Leaving the menu closes everything.
    await press(page, 'Tab', 'button Products');
    await press(page, 'Enter', 'button Products', ['qvm-Menu2']);
    for (let i = 0; i < 5; i++) await page.keyboard.press('Tab');
    assert.equal(await focused(page), 'link Contact');
    assert.deepEqual(await openMenus(page), []);
    await press(page, 'Tab', 'button After', []);
    // Enter and Space on a link follow it.
    await press(page, 'Shift+Tab', 'link Contact');
    await press(page, 'Shift+Tab', 'button Products');
    await press(page, 'Shift+Tab', 'link Home');
    await page.keyboard.press('Space');
    await page.waitForURL(/index\.html$/);
    await page.done();
  });
}

test('arrow keys, Home and End', async () => {
  const page = await open({}, 'arrows');
  await page.getByRole('link', { name: 'Home' }).focus();
  await press(page, 'ArrowRight', 'button Products', []);
  await press(page, 'ArrowRight', 'link Contact');
  await press(page, 'ArrowRight', 'link Contact');
  await press(page, 'Home', 'link Home');
  await press(page, 'End', 'link Contact');
  await press(page, 'ArrowLeft', 'button Products');
  // Down opens the sub menu below a bar item and goes to its first item.
  await press(page, 'ArrowDown', 'link Tools', ['qvm-Menu2']);
  await press(page, 'ArrowDown', 'link Parts');
  // The text item without link is passed over.
  await press(page, 'ArrowDown', 'link Spares');
  await press(page, 'ArrowUp', 'link Parts');
  // Right goes into the sub menu beside, Left comes back out and closes it.
  await press(page, 'ArrowRight', 'link Bolts', ['qvm-Menu2', 'qvm-Menu2_2']);
  await press(page, 'ArrowDown', 'link Nuts');
  await press(page, 'End', 'link Nuts');
  await press(page, 'Home', 'link Bolts');
  await press(page, 'ArrowLeft', 'button Parts, sub menu', ['qvm-Menu2']);
  await press(page, 'ArrowRight', 'link Bolts', ['qvm-Menu2', 'qvm-Menu2_2']);
  await press(page, 'Escape', 'button Parts, sub menu', ['qvm-Menu2']);
  // From the link of an item whose sub menu is open, Escape closes it and goes to its button.
  await press(page, 'ArrowRight', 'link Bolts', ['qvm-Menu2', 'qvm-Menu2_2']);
  await press(page, 'ArrowLeft', 'button Parts, sub menu', ['qvm-Menu2']);
  await press(page, 'ArrowRight', 'link Bolts', ['qvm-Menu2', 'qvm-Menu2_2']);
  await page.getByRole('link', { name: 'Parts' }).focus();
  await press(page, 'Escape', 'button Parts, sub menu', ['qvm-Menu2']);
  await press(page, 'Escape', 'button Products', []);
  // Escape with nothing open changes nothing.
  await press(page, 'Escape', 'button Products', []);
  // The focus leaving for something else in the page closes the menu.
  await press(page, 'ArrowDown', 'link Tools', ['qvm-Menu2']);
  await page.locator('#after').focus();
  assert.deepEqual(await openMenus(page), []);
  await page.done();
});

test('vertical root list: Up and Down between roots, Right into the sub menu', async () => {
  const page = await open({ MenuType: 1 }, 'vertical-keys');
  await page.getByRole('link', { name: 'Home' }).focus();
  await press(page, 'ArrowDown', 'button Products');
  await press(page, 'ArrowRight', 'link Tools', ['qvm-Menu2']);
  await press(page, 'ArrowLeft', 'button Products', []);
  await press(page, 'ArrowDown', 'link Contact');
  await page.done();
});
