// Accessibility audit of the preview pages with axe-core, WCAG 2.1 levels A and AA.
import assert from 'node:assert/strict';
import { createRequire } from 'node:module';
import { test } from 'node:test';
import {
  browser, dir, generate, item, openPage, pageUrl, previewUrl, realPage, row, useBrowser,
} from './helpers.mjs';

const axePath = createRequire(import.meta.url).resolve('axe-core/axe.min.js');
const tags = ['wcag2a', 'wcag2aa', 'wcag21a', 'wcag21aa', 'wcag22aa'];

useBrowser();
const wide = { viewport: { width: 1280, height: 720 } };

const items = [
  item('Home', 'index.html'),
  item('Products', '', { width: 100, items: [
    item('Tools', 'tools.html', { width: 120 }),
    item('Parts', 'parts.html', { items: [item('Bolts', 'bolts.html'), item('Nuts', '')] }),
  ] }),
  item('Contact & <i>more</i>', 'contact.html', { items: [item('Mail', 'mail.html')] }),
];

async function audit(page, disabled) {
  await page.addScriptTag({ path: axePath });
  const result = await page.evaluate(async ([runTags, off]) => {
    const rules = Object.fromEntries(off.map((r) => [r, { enabled: false }]));
    const r = await window.axe.run(document, { runOnly: { type: 'tag', values: runTags }, rules });
    const contrast = (list) => list.filter((v) => v.id === 'color-contrast').flatMap((v) => v.nodes);
    return {
      violations: r.violations.map((v) => `${v.id}: ${v.nodes.map((n) => n.target.join(' ')).join(', ')}`),
      passes: r.passes.length,
      // Text whose contrast axe measured and found sufficient, and text it could not measure.
      contrastPassed: contrast(r.passes).length,
      contrastUnsure: contrast(r.incomplete).map((n) => n.target.join(' ')),
    };
  }, [tags, disabled]);
  assert.ok(result.passes > 10, 'the audit ran its rules');
  return result;
}

// Opens two levels of sub menus the way the design unfolds them.
async function openTwoLevels(page, onClick) {
  if (onClick) {
    await row(page, 'Products').click();
    await page.getByRole('button', { name: 'Parts' }).click();
  } else {
    await row(page, 'Products').hover();
    await row(page, 'Parts').hover();
  }
  assert.ok(await row(page, 'Bolts').isVisible());
}

for (const [type, MenuType] of [['horizontal', 0], ['vertical', 1]]) {
  for (const [unfold, OnMouseOver] of [['hover', 0], ['click', 1]]) {
    test(`${type} menu unfolding on ${unfold}, start-up colours`, async () => {
      const page = await openPage(browser, previewUrl(dir, { style: { MenuType, OnMouseOver }, items },
        { name: `${type}-${unfold}` }), wide);
      await openTwoLevels(page, OnMouseOver === 1);
      // The preview wrapper has no title and no lang, and the start-up colours are the
      // author's: those three rules are not the engine's to pass.
      assert.deepEqual((await audit(page, ['document-title', 'html-has-lang', 'color-contrast'])).violations,
        []);
      await page.done();
    });
  }
}

test('high-contrast colours keep their contrast in every state', async () => {
  const style = {
    MainBG: 'FFFFFF', MainFont: '000000', MainMOBG: '000080', MainFontMO: 'FFFFFF', MainBorder: '000000',
    SubBG: 'FFFFFF', SubFont: '000000', SubMOBG: '000080', SubFontMO: 'FFFFFF', SubBorder: '000000',
  };
  for (const MenuType of [0, 1]) {
    const page = await openPage(browser, previewUrl(dir, { style: { ...style, MenuType }, items },
      { name: `contrast${MenuType}` }), wide);
    // Every visible caption must be measured and pass, none left undecided.
    const check = async (state, visibleCaptions) => {
      const r = await audit(page, ['document-title', 'html-has-lang']);
      assert.deepEqual(r.violations, [], state);
      assert.deepEqual(r.contrastUnsure, [], state);
      assert.ok(r.contrastPassed >= visibleCaptions, `${state}: ${r.contrastPassed} captions measured`);
    };
    await check('closed', 3);
    // Open path kept highlighted, the pointer on a sub item.
    await openTwoLevels(page, false);
    await check('open with the pointer on Parts', 7);
    // Keyboard focus on a sub item, pointer elsewhere: the menu stays open for the keyboard.
    await page.mouse.move(790, 590);
    await page.getByRole('link', { name: 'Parts' }).focus();
    await page.keyboard.press('ArrowRight');
    await page.waitForTimeout(1200);
    assert.ok(await row(page, 'Bolts').isVisible());
    await check('focus on Bolts', 7);
    await page.done();
  }
});

test('small screens: the Menu button and the stacked list pass the audit', async () => {
  // A page made for phones (with a viewport line), with a title and a language.
  const page = await openPage(browser, pageUrl(dir, realPage(generate(dir, { items },
    { preview: false, name: 'phone' })), { name: 'phone.htm' }),
  { viewport: { width: 360, height: 640 }, hasTouch: true, isMobile: true });
  await page.getByRole('button', { name: 'Menu', exact: true }).tap();
  await row(page, 'Products').tap();
  assert.ok(await row(page, 'Tools').isVisible());
  assert.deepEqual((await audit(page, ['color-contrast'])).violations, []);
  await page.done();
});

test('colours below 4.5:1 in a page of its own: only color-contrast, also right to left', async () => {
  // The start-up colours (white on 0080FF is 3.79:1) in a page with a title and a language, the
  // sub menus open and a sub item focused; then the same on a right-to-left page.
  const code = generate(dir, { items }, { preview: false, name: 'ownpage' });
  for (const rtl of [false, true]) {
    const html = realPage(code);
    const page = await openPage(browser, pageUrl(dir, rtl
      ? html.replace('<html lang="en">', '<html lang="ar" dir="rtl">') : html,
    { name: `ownpage${rtl}.htm` }), wide);
    await openTwoLevels(page, false);
    await page.getByRole('link', { name: 'Bolts' }).focus();
    const { violations } = await audit(page, []);
    assert.deepEqual(violations.map((v) => v.split(':')[0]), ['color-contrast'], `rtl ${rtl}`);
    await page.done();
  }
});
