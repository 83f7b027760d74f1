// Where the menu stands, how big its items are and what they show, in the preview page (quirks
// mode) and in a standards-mode page.
import assert from 'node:assert/strict';
import { describe, test } from 'node:test';
import {
  browser, colours, dir, generate, item, openPage, pageUrl, previewUrl, rect, rgb, row, subMenu,
  useBrowser,
} from './helpers.mjs';

useBrowser();

const open = (url) => openPage(browser, url, { viewport: { width: 1000, height: 600 } });

const threeRoots = [
  item('Home', 'index.html', { width: 80, height: 30 }),
  item('Products', 'http://', { width: 120, height: 50, items: [
    item('Tools', 'tools.html', { width: 150, height: 25 }),
    item('Parts', 'parts.html', { width: 60, height: 40 }),
    item('Spares', '', { width: 70, height: 22 }),
  ] }),
  item('Contact', 'contact.html', { width: 95, height: 10 }),
];

describe('root bar position', () => {
  // HorzAlign 0 left, 1 center, 2 right; VertAlign 0 top, 1 middle, 2 bottom, 3 static.
  const cases = [
    { HorzAlign: 0, VertAlign: 0, MenuLeft: 12, MenuTop: 7 },
    { HorzAlign: 1, VertAlign: 1, MenuLeft: 10, MenuTop: -20 },
    { HorzAlign: 2, VertAlign: 2, MenuLeft: 15, MenuTop: 5 },
    { HorzAlign: 2, VertAlign: 3, MenuLeft: 0, MenuTop: 40 },
  ];
  for (const style of cases) {
    test(`HorzAlign ${style.HorzAlign}, VertAlign ${style.VertAlign}`, async () => {
      const tall = (html) => html.replace('</body>', '<div style="height:3000px"></div></body>');
      const page = await open(previewUrl(dir, { style, items: threeRoots }, { edit: tall }));
      const vw = await page.evaluate(() => document.documentElement.clientWidth);
      const vh = 600;
      const bar = page.locator('nav.qvm');
      const r = await rect(bar);
      const x = [style.MenuLeft, (vw - r.width) / 2 + style.MenuLeft, vw - style.MenuLeft - r.width];
      const y = [style.MenuTop, (vh - r.height) / 2 + style.MenuTop, vh - style.MenuTop - r.height,
        style.MenuTop];
      assert.ok(Math.abs(r.left - x[style.HorzAlign]) <= 1, `left ${r.left}, wanted ${x[style.HorzAlign]}`);
      assert.ok(Math.abs(r.top - y[style.VertAlign]) <= 1, `top ${r.top}, wanted ${y[style.VertAlign]}`);
      // Top, middle and bottom stay in view while the page scrolls; static scrolls with it.
      await page.evaluate(() => window.scrollTo(0, 100));
      await page.waitForFunction(() => window.scrollY === 100);
      const scrolled = await rect(bar);
      const expected = style.VertAlign === 3 ? r.top - 100 : r.top;
      assert.ok(Math.abs(scrolled.top - expected) <= 1, `after scrolling top ${scrolled.top}`);
      await page.done();
    });
  }
});

describe('item sizes follow the first item of each list', () => {
  const standards = (html) => `<!DOCTYPE html>${html}`;
  for (const mode of ['quirks', 'standards']) {
    test(`horizontal bar and its sub menu, ${mode} mode`, async () => {
      const page = await open(previewUrl(dir, { items: threeRoots },
        { edit: mode === 'standards' ? standards : undefined, name: mode }));
      assert.equal(await page.evaluate(() => document.compatMode),
        mode === 'quirks' ? 'BackCompat' : 'CSS1Compat');
      // Every root keeps its own width; all take the first root's height.
      for (const [text, width] of [['Home', 80], ['Products', 120], ['Contact', 95]]) {
        const r = await rect(row(page, text));
        assert.equal(r.width, width, `${text} width`);
        assert.equal(r.height, 30, `${text} height`);
      }
      await row(page, 'Products').hover();
      // In the sub menu every item takes the first item's width and keeps its own height, but
      // is at least 24 px high (a target that a finger or a shaky hand can hit).
      for (const [text, height] of [['Tools', 25], ['Parts', 40], ['Spares', 24]]) {
        const r = await rect(row(page, text));
        assert.equal(r.width, 150, `${text} width`);
        assert.equal(r.height, height, `${text} height`);
      }
      // The sub menu starts at the bottom left of its bar item.
      const parent = await rect(row(page, 'Products'));
      const list = await rect(await subMenu(page, 'Products'));
      assert.ok(Math.abs(list.left - parent.left) <= 1 && Math.abs(list.top - parent.bottom) <= 1,
        `sub menu at ${list.left},${list.top}; item bottom left ${parent.left},${parent.bottom}`);
      await page.done();
    });
  }

  test('vertical root list with sub menus beside it, four levels deep', async () => {
    const design = {
      style: { MenuType: 1 },
      items: [
        item('Alpha', 'a.html', { width: 110, height: 24 }),
        item('Beta', '', { width: 40, height: 36, items: [
          item('Beta one', '', { width: 130, height: 22, items: [
            item('Deep', 'http://', { width: 90, items: [item('Deepest', 'deepest.html')] }),
          ] }),
        ] }),
      ],
    };
    const page = await open(previewUrl(dir, design, { name: 'vertical' }));
    const alpha = await rect(row(page, 'Alpha'));
    const beta = await rect(row(page, 'Beta'));
    assert.deepEqual([alpha.width, alpha.height, beta.width, beta.height], [110, 24, 110, 36]);
    assert.ok(beta.top > alpha.bottom - 1, 'the roots stand one below the other');
    const path = ['Beta', 'Beta one', 'Deep', 'Deepest'];
    for (let i = 0; i < path.length - 1; i++) {
      await row(page, path[i]).hover();
      const parent = await rect(row(page, path[i]));
      const list = await rect(await subMenu(page, path[i]));
      // Beside the parent, overlapping it by a fifth of its width, a fifth of its height down.
      assert.ok(Math.abs(list.left - (parent.left + parent.width * 0.8)) <= 1,
        `${path[i]}: sub menu left ${list.left}, parent ${parent.left}+${parent.width}`);
      assert.ok(Math.abs(list.top - (parent.top + parent.height * 0.2)) <= 1,
        `${path[i]}: sub menu top ${list.top}, parent ${parent.top}+${parent.height}`);
      assert.ok(await row(page, path[i + 1]).isVisible());
    }
    assert.equal(await page.locator('nav.qvm li').count(), 5);
    await page.done();
  });
});

test('colours, borders, font and text placement follow the design', async () => {
  const style = {
    MainBG: '102030', MainFont: 'F0E0D0', MainMOBG: 'A0B0C0', MainFontMO: '010203', MainBorder: 'FF0000',
    SubBG: '203040', SubFont: 'E0D0C0', SubMOBG: 'B0C0D0', SubFontMO: '030201', SubBorder: '00FF00',
    // Both kinds of quotes in the font list, as web authors write them.
    BorderWidth: 3, BorderBetween: 1, MenuFont: `"DejaVu Serif", 'Times', serif`, FontSize: 15, FontBold: 1,
    FontItalic: 1, TextAlign: 2, LeftPadding: 9, TopPadding: 4,
  };
  const page = await open(previewUrl(dir, { style, items: threeRoots }, { name: 'colours' }));
  const bar = page.locator('nav.qvm .qvm-top').first();
  const barStyle = await bar.evaluate((e) => {
    const s = getComputedStyle(e);
    const second = getComputedStyle(e.children[1]);
    return { width: s.borderTopWidth, colour: s.borderTopColor, between: second.borderLeftWidth,
      betweenColour: second.borderLeftColor };
  });
  assert.deepEqual(barStyle, { width: '3px', colour: rgb('FF0000'), between: '3px',
    betweenColour: rgb('FF0000') });
  assert.deepEqual(await colours(row(page, 'Home')), { bg: rgb('102030'), fg: rgb('F0E0D0') });
  const font = await row(page, 'Home').evaluate((e) => {
    const s = getComputedStyle(e.querySelector('a'));
    // (Quotes around a family name are kept by some browsers, dropped by others.)
    return [s.fontFamily.replace(/"(\w+)"/g, '$1'), s.fontSize, s.fontWeight, s.fontStyle];
  });
  assert.deepEqual(font, ['"DejaVu Serif", Times, serif', '20px', '700', 'italic']);
  // Right-aligned text ends the left padding's width before the item's right edge (the
  // padding is on both sides); its line starts at least the top padding below the item's top.
  const text = await row(page, 'Contact').evaluate((e) => {
    const range = document.createRange();
    range.selectNodeContents(e.querySelector('.qvm-x'));
    const t = range.getBoundingClientRect();
    const r = e.getBoundingClientRect();
    const line = e.querySelector('.qvm-x').getBoundingClientRect();
    return { right: r.right - t.right, top: line.top - r.top };
  });
  assert.ok(Math.abs(text.right - 9) <= 1, `text ends ${text.right}px from the right edge`);
  assert.ok(text.top >= 4 - 0.5, `text starts ${text.top}px below the top`);

  // Mouse-over colours, and the sub menu in its own colours with the path kept highlighted.
  await row(page, 'Products').hover();
  assert.deepEqual(await colours(row(page, 'Products')), { bg: rgb('A0B0C0'), fg: rgb('010203') });
  assert.deepEqual(await colours(row(page, 'Home')), { bg: rgb('102030'), fg: rgb('F0E0D0') });
  assert.deepEqual(await colours(row(page, 'Tools')), { bg: rgb('203040'), fg: rgb('E0D0C0') });
  const subBorder = await (await subMenu(page, 'Products')).evaluate((e) =>
    getComputedStyle(e).borderTopColor);
  assert.equal(subBorder, rgb('00FF00'));
  await row(page, 'Parts').hover();
  assert.deepEqual(await colours(row(page, 'Parts')), { bg: rgb('B0C0D0'), fg: rgb('030201') });
  assert.deepEqual(await colours(row(page, 'Products')), { bg: rgb('A0B0C0'), fg: rgb('010203') },
    'KeepHighlighted keeps the open path in mouse-over colours');
  await page.done();

  // Without KeepHighlighted the parent returns to its normal colours; without BorderBetween
  // there is no line between the items.
  const plain = await open(previewUrl(dir, { style: { ...style, KeepHighlighted: 0, BorderBetween: 0 },
    items: threeRoots }, { name: 'plain' }));
  await row(plain, 'Products').hover();
  await row(plain, 'Tools').hover();
  assert.deepEqual(await colours(row(plain, 'Products')), { bg: rgb('102030'), fg: rgb('F0E0D0') });
  const between = await plain.locator('nav.qvm .qvm-top').first().evaluate((e) =>
    getComputedStyle(e.children[1]).borderLeftWidth);
  assert.equal(between, '0px');
  await plain.done();
});

test('captions and links reach the page exactly as typed', async () => {
  const tricky = 'Say "hi" & \'bye\' </script> <!-- not a comment --> a < b, a<b \\n %FontSize%';
  const foreign = 'Ünïcödé – 日本語 – 😀';
  const link = 'page.html?q="x"&y=ü#top';
  const design = { items: [
    item(tricky, link, { width: 400 }),
    item(foreign, '', { width: 200, items: [item('R&amp;D <b>bold</b>', 'rd.html')] }),
  ] };
  const html = generate(dir, design, { name: 'captions' });
  const page = await open(pageUrl(dir, html, { name: 'captions.htm' }));
  const texts = await page.locator('nav.qvm .qvm-top > li > .qvm-r .qvm-x').allInnerTexts();
  assert.deepEqual(texts, [tricky, foreign]);
  assert.equal(await page.locator('nav.qvm a').first().getAttribute('href'), link);
  await row(page, foreign).click();
  // A few inline tags and character references are HTML; everything else is text.
  const sub = row(page, 'R&D bold');
  assert.equal(await sub.innerText(), 'R&D bold');
  assert.equal(await sub.locator('b').evaluate((e) => getComputedStyle(e).fontWeight), '700');
  await page.done();
});

test('a caption longer than its item wraps between words and never spills out', async () => {
  const design = { items: [
    item('Extraordinarily', 'x.html', { width: 40 }),
    item('Menu', '', { width: 60, items: [
      item('Short', 's.html', { width: 100 }),
      item('Two words', 't.html'),
      item('Incomprehensibilities', 'i.html'),
      item('A caption made of a good many short words', 'm.html'),
    ] }),
  ] };
  const page = await open(previewUrl(dir, design, { name: 'long' }));
  await row(page, 'Menu').hover();
  const rows = await page.locator('nav.qvm .qvm-r').evaluateAll((list) => list.map((r) => {
    const text = r.querySelector('.qvm-x');
    return { text: text.textContent, width: r.getBoundingClientRect().width,
      height: r.getBoundingClientRect().height,
      spills: text.getBoundingClientRect().right > r.getBoundingClientRect().right + 0.5
        || text.scrollWidth > text.clientWidth + 1 };
  }));
  const [bar, menu, short, two, long, many] = rows;
  assert.ok(bar.width > 40 && !bar.spills, `bar item ${bar.width} px wide`);
  assert.equal(menu.width, 60);
  // The sub menu keeps one width for all items, widened to the longest word.
  assert.ok(long.width > 100 && !long.spills);
  assert.deepEqual([short.width, two.width, many.width], [long.width, long.width, long.width]);
  assert.ok(!short.spills && !two.spills && !many.spills);
  assert.ok(many.height > 2 * short.height, 'the many words wrap onto more lines');
  await page.done();
});
