// The menu for every visitor: a focus ring seen on any colours, targets of at least 24x24 px,
// sub menus that stay while the pointer heads for them, right-to-left menus and pages, and
// forced colours (high-contrast themes).
import assert from 'node:assert/strict';
import { describe, test } from 'node:test';
import {
  browser, colours, dir, focused, generate, item, launch, openMenus, openPage, pageUrl, previewUrl,
  realPage, rect, rgb, row, setVar, subMenu, useBrowser,
} from './helpers.mjs';

useBrowser();

// WCAG contrast of two computed colours, "rgb(r, g, b)"
const luminance = (css) => {
  const [r, g, b] = css.match(/[\d.]+/g).slice(0, 3).map((v) => {
    const c = v / 255;
    return c <= 0.04045 ? c / 12.92 : ((c + 0.055) / 1.055) ** 2.4;
  });
  return 0.2126 * r + 0.7152 * g + 0.0722 * b;
};
const contrast = (a, b) => {
  const [x, y] = [luminance(a), luminance(b)].sort((p, q) => q - p);
  return (x + 0.05) / (y + 0.05);
};

const tree = [
  item('Home', 'index.html'),
  item('Products', '', { width: 100, items: [
    item('Tools', 'tools.html', { width: 120, items: [item('Hammers', 'h.html'), item('Saws', 's.html'),
      item('Drills', 'd.html'), item('Files', 'f.html')] }),
    item('Parts', 'parts.html', { items: [item('Bolts', 'b.html'), item('Nuts', 'n.html')] }),
    item('Spares', 'spares.html'),
    item('Offers', 'offers.html'),
  ] }),
  item('Contact', 'contact.html'),
];

describe('the focus ring', () => {
  const palettes = {
    'start-up colours': {},
    // Mouse-over text in the mouse-over background's own colour: a ring in the text colour vanishes.
    'text as dark as its background': { MainBG: '202020', MainFont: 'E0E0E0', MainMOBG: '000000',
      MainFontMO: '000000', MainBorder: '000000', SubBG: '303030', SubFont: 'FFFFFF',
      SubMOBG: '1A1A40', SubFontMO: '1A1A40', SubBorder: '404040' },
    'pale colours': { MainBG: 'FFFFFF', MainFont: '333333', MainMOBG: 'FFFF99', MainFontMO: '000000',
      MainBorder: 'CCCCCC', SubBG: 'F0F0F0', SubFont: '000000', SubMOBG: 'CCE6FF', SubFontMO: '003366',
      SubBorder: 'FFFFFF' },
  };
  for (const [name, style] of Object.entries(palettes)) {
    test(name, async () => {
      const page = await openPage(browser, previewUrl(dir, { style, items: tree },
        { name: `ring-${name.length}` }));
      const ring = () => page.evaluate(() => {
        let e = document.activeElement;
        while (e.shadowRoot && e.shadowRoot.activeElement) e = e.shadowRoot.activeElement;
        const s = getComputedStyle(e);
        const r = e.getBoundingClientRect();
        const list = e.closest('ul');
        const inside = (x, y) => e.contains(e.getRootNode().elementFromPoint(x, y));
        return { outline: s.outlineColor, width: parseFloat(s.outlineWidth), style: s.outlineStyle,
          offset: parseFloat(s.outlineOffset), shadow: s.boxShadow,
          item: getComputedStyle(e.closest('.qvm-r')).backgroundColor,
          border: getComputedStyle(list).borderTopColor,
          // Each side's middle, just inside: the ring is seen there, not covered by a neighbour
          whole: inside(r.left + 1, r.top + r.height / 2) && inside(r.right - 1, r.top + r.height / 2)
            && inside(r.left + r.width / 2, r.top + 1) && inside(r.left + r.width / 2, r.bottom - 1),
          page: getComputedStyle(document.body).backgroundColor };
      });
      const check = (r, where) => {
        assert.equal(r.style, 'solid', where);
        assert.ok(r.width >= 2 && r.offset <= -r.width, `${where}: drawn inside the item`);
        const inner = r.shadow.match(/rgba?\([^)]*\)/)[0];
        assert.match(r.shadow, /inset/, where);
        // The band next to the caption stands out from the item; the two bands from each other
        // (9:1), so that one of them stands out from whatever lies around the menu.
        assert.ok(contrast(inner, r.item) >= 3, `${where}: ${inner} on ${r.item}`);
        assert.ok(contrast(inner, r.outline) >= 9, `${where}: ${inner} and ${r.outline}`);
        for (const around of [r.border, r.page === 'rgba(0, 0, 0, 0)' ? 'rgb(255, 255, 255)' : r.page]) {
          assert.ok(Math.max(contrast(inner, around), contrast(r.outline, around)) >= 3, where);
        }
        assert.ok(r.whole, `${where}: seen on all four sides`);
      };
      await page.keyboard.press('Tab');
      check(await ring(), 'Home');
      await page.keyboard.press('Tab');
      await page.keyboard.press('ArrowDown');
      assert.equal(await focused(page), 'link Tools');
      check(await ring(), 'Tools');
      // The focused item shows the mouse-over colours, and so does the open path.
      const [tools, products] = await Promise.all(['Tools', 'Products'].map((t) =>
        row(page, t).evaluate((e) => getComputedStyle(e).backgroundColor)));
      assert.equal(tools, rgb(style.SubMOBG || '009CE8'));
      assert.equal(products, rgb(style.MainMOBG || '009CE8'));
      await page.keyboard.press('End');
      check(await ring(), 'Offers');
      await page.done();
    });
  }

  test('whole in a list that scrolls', async () => {
    const entries = Array.from({ length: 30 }, (_, i) => item(`Entry ${i + 1}`, `e${i + 1}.html`));
    const page = await openPage(browser, previewUrl(dir, { items: [item('Catalogue', '',
      { width: 100, items: entries })] }, { name: 'ring-scroll' }),
    { viewport: { width: 600, height: 300 } });
    await row(page, 'Catalogue').getByRole('button').focus();
    await page.keyboard.press('ArrowDown');
    for (const key of ['End', 'ArrowUp', 'Home']) {
      await page.keyboard.press(key);
      const [box, list] = await Promise.all([page.evaluate(() => {
        const e = document.querySelector('quorvane-menu').shadowRoot.activeElement;
        return e.getBoundingClientRect().toJSON();
      }), (await subMenu(page, 'Catalogue')).evaluate((e) => {
        const r = e.getBoundingClientRect();
        return { top: r.top + e.clientTop, bottom: r.top + e.clientTop + e.clientHeight };
      })]);
      assert.ok(box.top >= list.top - 0.5 && box.bottom <= list.bottom + 0.5,
        `${key}: ${box.top}..${box.bottom} in ${list.top}..${list.bottom}`);
    }
    await page.done();
  });
});

test('every control is at least 24x24 px and a sub menu button says what it opens', async () => {
  // Small items, one-letter captions and links with sub menus, in a bar and in a vertical list
  const small = [
    item('A', 'a.html', { width: 10, height: 12, items: [item('B', 'b.html', { width: 10, height: 10,
      items: [item('C', 'c.html', { width: 5, height: 5 })] }), item('D', '', { height: 8 })] }),
    item('E', '', { width: 0, height: 0, items: [item('F', 'f.html', { width: 0, height: 0 })] }),
    item('G', 'g.html', { width: 12, height: 15 }),
  ];
  for (const style of [{}, { MenuType: 1 }, { MenuType: 1, Arrows: 0, TopPadding: 0, LeftPadding: 0 }]) {
    const page = await openPage(browser, previewUrl(dir, { style, items: small },
      { name: `targets${style.MenuType}${style.Arrows}` }));
    await row(page, 'A').hover();
    await row(page, 'B').hover();
    const controls = await page.locator('nav.qvm a, nav button').evaluateAll((list) => list
      .filter((e) => e.checkVisibility() && e.getBoundingClientRect().width > 1)
      .map((e) => ({ name: e.getAttribute('aria-label') || e.textContent,
        size: [e.getBoundingClientRect().width, e.getBoundingClientRect().height] })));
    assert.ok(controls.length >= (style.Arrows === 0 ? 5 : 7), JSON.stringify(controls));
    for (const { name, size } of controls) {
      assert.ok(size[0] >= 24 - 0.01 && size[1] >= 24 - 0.01, `${name}: ${size} in ${JSON.stringify(style)}`);
    }
    // The button beside a link is named after it, for what it does.
    const names = await page.locator('nav.qvm .qvm-t').evaluateAll((list) =>
      list.map((b) => b.getAttribute('aria-label')));
    assert.deepEqual(names, ['A, sub menu', 'B, sub menu']);
    await page.done();
  }
});

test('hover intent: a diagonal way to the open sub menu across the next item keeps it', async () => {
  const page = await openPage(browser, previewUrl(dir, { items: tree }, { name: 'intent' }));
  await row(page, 'Products').hover();
  await row(page, 'Tools').hover();
  const tools = await rect(row(page, 'Tools'));
  const files = await rect(row(page, 'Files'));
  assert.deepEqual(await openMenus(page), ['qvm-Menu2', 'qvm-Menu2_1']);
  // From the middle of Tools to the last item of its sub menu, through Parts and Spares
  const start = [tools.left + tools.width / 2, tools.top + tools.height / 2];
  const end = [files.left + 10, files.top + files.height / 2];
  const parts = await rect(row(page, 'Parts'));
  const through = (y) => start[0] + (end[0] - start[0]) * ((y - start[1]) / (end[1] - start[1]));
  assert.ok(through(parts.top + parts.height / 2) < parts.right - 1, 'the way crosses Parts');
  await page.mouse.move(...start);
  await page.mouse.move(...end, { steps: 12 });
  assert.deepEqual(await openMenus(page), ['qvm-Menu2', 'qvm-Menu2_1']);
  assert.equal((await colours(row(page, 'Files'))).bg, rgb('009CE8'), 'Files in mouse-over colours');

  // Resting on Parts on such a way: Parts opens its sub menu after a moment.
  await page.mouse.move(...start);
  const y = parts.top + parts.height / 2;
  await page.mouse.move(through(y), y, { steps: 4 });
  const rested = Date.now();
  const early = await openMenus(page);
  // (Only when this process kept up: the first look came well within the moment.)
  if (Date.now() - rested < 150) assert.deepEqual(early, ['qvm-Menu2', 'qvm-Menu2_1'], 'not at once');
  await page.waitForFunction(() => document.querySelector('quorvane-menu').shadowRoot
    .querySelector('[aria-controls="qvm-Menu2_2"][aria-expanded="true"]'));
  const waited = Date.now() - rested;
  assert.ok(waited < 600, `switched after ${waited} ms`);
  assert.deepEqual(await openMenus(page), ['qvm-Menu2', 'qvm-Menu2_2']);
  // Straight down from Parts to Spares, away from the sub menu: at once.
  await page.mouse.move(through(y), y + parts.height, { steps: 2 });
  assert.deepEqual(await openMenus(page), ['qvm-Menu2']);
  await page.done();
});

describe('right to left', () => {
  // Whether a list covers any caption of another: the captions' text boxes against its box
  const covered = (page, list, captions) => page.evaluate(([l, cs]) => {
    const shadow = document.querySelector('quorvane-menu').shadowRoot;
    const box = shadow.getElementById(l).getBoundingClientRect();
    return [...shadow.querySelectorAll('.qvm-x')].filter((x) => cs.includes(x.textContent))
      .filter((x) => {
        const range = document.createRange();
        range.selectNodeContents(x);
        const t = range.getBoundingClientRect();
        return t.right > box.left + 0.5 && t.left < box.right - 0.5 && t.bottom > box.top + 0.5
          && t.top < box.bottom - 0.5;
      }).map((x) => x.textContent);
  }, [list, captions]);
  const arrow = (page, caption) => row(page, caption).locator('.qvm-a').evaluate((e) =>
    e.className.match(/qvm-a([rdl])/)[1]);
  const captions = ['Tools', 'Parts', 'Spares', 'Offers'];

  test('RightToLeft: sub menus open to the left without covering the captions they came from', async () => {
    const html = setVar(generate(dir, { style: { HorzAlign: 2 }, items: tree }, { name: 'rtl' }),
      'RightToLeft', 1);
    const page = await openPage(browser, pageUrl(dir, html, { name: 'rtl.htm' }));
    await row(page, 'Products').hover();
    await row(page, 'Tools').hover();
    const [parent, list] = await Promise.all([rect(row(page, 'Tools')), rect(await subMenu(page, 'Tools'))]);
    assert.ok(list.right <= parent.left + parent.width * 0.2 + 1 && list.right >= parent.left - 1,
      `sub menu ${list.left}..${list.right}, item ${parent.left}..${parent.right}`);
    assert.deepEqual(await covered(page, 'qvm-Menu2_1', captions), []);
    assert.equal(await arrow(page, 'Tools'), 'l');
    assert.equal(await row(page, 'Tools').locator('img').getAttribute('src'), 'tridarkleft.gif');
    await page.done();
  });

  test('a vertical bar at the left edge: arrows point right, and Right opens every time', async () => {
    for (const [left, side, into, back] of [[0, 'r', 'ArrowRight', 'ArrowLeft'],
      [400, 'l', 'ArrowLeft', 'ArrowRight']]) {
      const html = setVar(generate(dir, { style: { MenuType: 1, MenuLeft: left }, items: tree },
        { name: `rtl-edge${left}` }), 'RightToLeft', 1);
      const page = await openPage(browser, pageUrl(dir, html, { name: `rtl-edge${left}.htm` }));
      await page.evaluate(() => new Promise((done) => requestAnimationFrame(done)));
      assert.equal(await arrow(page, 'Products'), side, `at ${left} px, before opening`);
      await row(page, 'Products').getByRole('button').focus();
      for (let time = 1; time <= 2; time++) {
        await page.keyboard.press(back);
        assert.deepEqual(await openMenus(page), [], `${back} at ${left} px`);
        await page.keyboard.press(into);
        assert.equal(await focused(page), 'link Tools', `${into} at ${left} px, time ${time}`);
        // Tools' sub menu opens on the same side; the key that led in leads on.
        await page.keyboard.press(into);
        assert.equal(await focused(page), 'link Hammers', `${into} again at ${left} px`);
        assert.equal(await arrow(page, 'Tools'), side);
        await page.keyboard.press(back);
        await page.keyboard.press(back);
        assert.equal(await focused(page), 'button Products');
        assert.deepEqual(await openMenus(page), []);
      }
      const [bar, list] = await Promise.all([rect(page.locator('nav.qvm .qvm-top')),
        (async () => {
          await row(page, 'Products').hover();
          return rect(await subMenu(page, 'Products'));
        })()]);
      assert.ok(side === 'r' ? list.left >= bar.left : list.right <= bar.right, 'opens on its arrow\'s side');
      await page.done();
    }
  });

  test('a dir="rtl" page: the bar from the right, captions at the start, sub menus to the left', async () => {
    const code = generate(dir, { style: { MenuType: 0, HorzAlign: 2, MenuLeft: 0 }, items: tree },
      { preview: false, name: 'rtlpage' });
    const url = pageUrl(dir, realPage(code).replace('<html lang="en">', '<html lang="ar" dir="rtl">'),
      { name: 'rtlpage.htm' });
    const page = await openPage(browser, url);
    const [home, products] = await Promise.all([rect(row(page, 'Home')), rect(row(page, 'Products'))]);
    assert.ok(home.left > products.left, 'Home stands right of Products');
    await row(page, 'Products').hover();
    await row(page, 'Tools').hover();
    // Captions end the padding's width before the item's right edge.
    const gap = await row(page, 'Parts').evaluate((e) => {
      const range = document.createRange();
      range.selectNodeContents(e.querySelector('.qvm-x'));
      return e.getBoundingClientRect().right - range.getBoundingClientRect().right;
    });
    assert.ok(Math.abs(gap - 3) <= 1, `caption ends ${gap} px before the right edge`);
    const [list, tools, drop] = await Promise.all([rect(await subMenu(page, 'Tools')),
      rect(row(page, 'Tools')), rect(await subMenu(page, 'Products'))]);
    assert.ok(list.right <= tools.left + tools.width * 0.2 + 1, 'opens to the left');
    assert.ok(Math.abs(drop.right - products.right) <= 1, 'below its bar item, right-aligned');
    assert.deepEqual(await covered(page, 'qvm-Menu2_1', captions), []);
    // Keys: Left to the next bar item, Down into the sub menu, Left further in, Right back.
    await page.mouse.move(5, 400);
    await page.keyboard.press('Escape');
    await page.getByRole('link', { name: 'Home' }).focus();
    await page.keyboard.press('ArrowLeft');
    assert.equal(await focused(page), 'button Products');
    await page.keyboard.press('ArrowDown');
    assert.equal(await focused(page), 'link Tools');
    await page.keyboard.press('ArrowLeft');
    assert.equal(await focused(page), 'link Hammers');
    await page.keyboard.press('ArrowRight');
    // (named in the page's language)
    assert.equal(await focused(page), 'button Tools\u060c \u0642\u0627\u0626\u0645\u0629 \u0641\u0631\u0639\u064a\u0629');
    await page.keyboard.press('ArrowUp');
    await page.keyboard.press('Escape');
    await page.keyboard.press('ArrowRight');
    assert.equal(await focused(page), 'link Home');
    await page.done();
  });
});

test('forced colours: arrows in the text colour, the open and hovered items underlined', async () => {
  const forced = await launch({ forcedColors: true });
  try {
    for (const images of [true, false]) {
      const page = await openPage(forced, previewUrl(dir, { items: tree },
        { name: `forced${images}`, images }));
      assert.ok(await page.evaluate(() => matchMedia('(forced-colors: active)').matches));
      await row(page, 'Products').hover();
      await row(page, 'Tools').hover();
      const arrows = await page.locator('nav.qvm .qvm-a').evaluateAll((list) => list
        .filter((a) => a.checkVisibility()).map((a) => {
          const before = getComputedStyle(a, '::before');
          const side = a.className.includes('qvm-ad') ? 'Top' : a.className.includes('qvm-al') ? 'Right'
            : 'Left';
          const img = a.querySelector('img');
          return { img: img ? getComputedStyle(img).display : 'none', display: before.display,
            colour: before[`border${side}Color`] === getComputedStyle(a).color,
            others: ['Top', 'Right', 'Bottom', 'Left'].filter((s) => s !== side)
              .map((s) => before[`border${s}Color`]).every((c) => c === 'rgba(0, 0, 0, 0)') };
        }));
      assert.equal(arrows.length, 3);
      for (const a of arrows) {
        assert.deepEqual(a, { img: 'none', display: 'block', colour: true, others: true });
      }
      const underline = (caption) => row(page, caption).locator('.qvm-x').evaluate((e) =>
        getComputedStyle(e).textDecorationLine);
      assert.deepEqual(await Promise.all(['Products', 'Tools', 'Parts', 'Home'].map(underline)),
        ['underline', 'underline', 'none', 'none']);
      await page.keyboard.press('Tab');
      const ring = await page.evaluate(() => {
        const s = getComputedStyle(document.querySelector('quorvane-menu').shadowRoot.activeElement);
        return [s.outlineStyle, parseFloat(s.outlineWidth)];
      });
      assert.deepEqual(ring, ['solid', 2]);
      await page.done();
    }
  } finally {
    await forced.close();
  }
});
