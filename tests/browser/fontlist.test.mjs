// The font list reaches the page's script whole, whichever quotes a template puts around
// %FontFamily%, and the menu draws in the families it names.
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { writeFileSync } from 'node:fs';
import { join } from 'node:path';
import { test } from 'node:test';
import vm from 'node:vm';
import { browser, dir, generator, item, mnuText, openPage, previewUrl, useBrowser } from './helpers.mjs';

useBrowser();

// Font lists as users type them: quoted family names of either kind, and text that would end a
// string or the script if written as it is. (A list that starts and ends with the same quote
// would lose that pair in the project file, as any value does.)
const lists = [
  "Tahoma, 'Segoe UI', sans-serif",
  '"Noto Sans", \'Gill Sans\', serif',
  "Font's Name, monospace",
  'back\\slash\\, </script><!-- x, \\\'mixed\\" quotes',
  'Ünïcødé Sans, 😀 Emoji, Tab\there',
];

test('the font list parses as the same text between single and between double quotes', () => {
  for (const quote of ["'", '"']) {
    const template = join(dir, `quoted${quote === "'" ? 1 : 2}.dat`);
    writeFileSync(template, `<script>\nvar FontFamily=${quote}%FontFamily%${quote};\n</script>\n`);
    lists.forEach((list, k) => {
      const mnu = join(dir, `list${k}.mnu`);
      writeFileSync(mnu, mnuText({ style: { MenuFont: list }, items: [item('Home')] }));
      const code = execFileSync(generator, [mnu, '--template', template]).toString('latin1');
      const script = code.split('<script>')[1].split('</script>')[0];
      const context = {};
      vm.runInNewContext(script, context);
      assert.equal(context.FontFamily, list, `${quote} ${list}`);
    });
  }
});

test('the menu of the shipped template draws in the families of the list', async () => {
  const list = "'DejaVu Serif', \"Noto Sans\", serif";
  const page = await openPage(browser, previewUrl(dir, { style: { MenuFont: list },
    items: [item('Home', 'a.html')] }, { name: 'fonts' }), { viewport: { width: 800, height: 400 } });
  const family = await page.locator('nav.qvm').evaluate((nav) => getComputedStyle(nav).fontFamily);
  assert.equal(family, '"DejaVu Serif", "Noto Sans", serif');
  await page.done();
});
