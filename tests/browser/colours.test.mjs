// Colour settings as the engine reads them: six hexadecimal digits in either case; anything else
// falls back to the default colour, and WebMasterCheck names the setting.
import assert from 'node:assert/strict';
import { test } from 'node:test';
import {
  browser, colours, dir, generate, item, openPage, pageUrl, rgb, row, setVar, useBrowser,
} from './helpers.mjs';

useBrowser();

test('A colour that is not six hexadecimal digits falls back to the default and is reported', async () => {
  let html = generate(dir, { items: [item('Home', 'home.html'), item('About', 'about.html')] },
    { name: 'colours' });
  for (const [name, value] of [['LowBgColor', '12345g'], ['FontLowColor', 'ff00f '],
    ['HighBgColor', 'a1B2c3'], ['WebMasterCheck', 1]]) html = setVar(html, name, value);
  const page = await openPage(browser, pageUrl(dir, html, { name: 'colours.htm' }));
  const home = row(page, 'Home');
  assert.deepEqual(await colours(home), { bg: rgb('0080FF'), fg: rgb('FFFFFF') });
  await home.hover();
  assert.equal((await colours(home)).bg, rgb('A1B2C3'));
  assert.deepEqual(page.messages.filter((m) => m.startsWith('Menu check:')).sort(), [
    'Menu check: FontLowColor should be six hexadecimal digits but is ff00f ',
    'Menu check: LowBgColor should be six hexadecimal digits but is 12345g',
  ]);
  await page.done();
});
