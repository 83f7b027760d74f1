// Measures how fast the generated menu is ready, in headless Chromium. Not part of the test run:
//   node measure.mjs [runs]
// For each design the filled template (quorvane-gen without --preview) is wrapped in a page with
// three time stamps: before the item lines, before the engine, and after the engine once the
// page has been laid out. Prints medians over the runs, and the engine's gzipped size.
import { readFileSync } from 'node:fs';
import { join } from 'node:path';
import { gzipSync } from 'node:zlib';
import { binDir, generate, item, launch, makeWorkDir, pageUrl, removeWorkDir } from './helpers.mjs';

const runs = Number(process.argv[2]) || 21;

// Three levels: roots, their sub items, and the sub items of those.
const tree = (roots, perRoot, perChild) => Array.from({ length: roots }, (_, r) =>
  item(`Section ${r + 1}`, '', { width: 100, items: Array.from({ length: perRoot }, (__, c) =>
    item(`Topic ${r + 1}.${c + 1}`, `topic-${r}-${c}.html`, { width: 140, items:
      Array.from({ length: perChild }, (___, g) => item(`Page ${r + 1}.${c + 1}.${g + 1}`,
        `page-${r}-${c}-${g}.html`, { width: 160 })) })) }));
const flat = (n) => Array.from({ length: n }, (_, i) => item(`Item ${i + 1}`, `item-${i}.html`));

const designs = [
  ['500 items, 3 levels (5 x 9 x 10)', { items: tree(5, 9, 10) }, 500],
  ['5,000 items, 3 levels (8 x 24 x 25)', { items: tree(8, 24, 25) }, 5000],
  ['500 items, all in the vertical root list', { style: { MenuType: 1 }, items: flat(500) }, 500],
  ['5,000 items, all in the vertical root list', { style: { MenuType: 1 }, items: flat(5000) }, 5000],
];

const median = (values) => {
  const s = [...values].sort((a, b) => a - b);
  return s.length % 2 ? s[(s.length - 1) / 2] : (s[s.length / 2 - 1] + s[s.length / 2]) / 2;
};

const engine = readFileSync(join(binDir, 'dhtml.dat'), 'latin1').split('<script>')[2].split('</script>')[0];
console.log(`engine: ${engine.length} bytes, ${gzipSync(engine, { level: 9 }).length} bytes gzipped`);

const dir = makeWorkDir();
const browser = await launch();
try {
  const pages = designs.map(([label, design, count]) => {
    const code = generate(dir, design, { preview: false, name: `measure${count}` });
    const at = code.indexOf('<script>', code.indexOf('</script>'));
    const html = '<html><head></head><body><script>var t0=performance.now()</script>'
      + code.slice(0, at) + '<script>var t1=performance.now()</script>' + code.slice(at)
      + '<script>document.querySelector("nav").getBoundingClientRect();'
      + 'var t2=performance.now()</script></body></html>';
    return { label, url: pageUrl(dir, html, { name: `measure-${label.length}-${count}.htm` }),
      total: [], engineOnly: [], firstOpen: [] };
  });
  // For scale: the same number of plain links written in the page, laid out, without any script.
  for (const count of [8, 500, 5000]) {
    const links = Array.from({ length: count }, (_, i) => `<li><a href="i${i}.html">Item ${i + 1}</a>`);
    const html = '<html><head></head><body><script>var t0=performance.now()</script><ul>'
      + links.join('') + '</ul><script>var t1=t0;document.body.getBoundingClientRect();'
      + 'var t2=performance.now()</script></body></html>';
    pages.push({ label: `reference: ${count} plain links in the page, no script`,
      url: pageUrl(dir, html, { name: `plain${count}.htm` }), total: [], engineOnly: [], firstOpen: [] });
  }
  // One load of each page first warms the browser up (fonts, caches); then the pages take
  // turns, so that a busy moment of the machine does not fall on one design alone.
  for (let round = -1; round < runs; round++) {
    // Each round starts with another page, so that none always follows the heaviest one.
    const start = (round + pages.length) % pages.length;
    for (const p of [...pages.slice(start), ...pages.slice(0, start)]) {
      const page = await browser.newPage();
      await page.goto(p.url);
      const t = await page.evaluate(() => [t0, t1, t2]);
      // Opening the first sub menu builds it; measured from the click to the laid-out list.
      const open = await page.evaluate(() => {
        const button = document.querySelector('nav button[aria-expanded]');
        if (!button) return NaN;
        const start = performance.now();
        button.click();
        document.getElementById(button.getAttribute('aria-controls')).getBoundingClientRect();
        return performance.now() - start;
      });
      await page.close();
      // Let the closed page's teardown finish before the next load is timed.
      await new Promise((done) => setTimeout(done, 250));
      if (round < 0) continue;
      p.total.push(t[2] - t[0]);
      p.engineOnly.push(t[2] - t[1]);
      p.firstOpen.push(open);
    }
  }
  const ms = (v) => `${median(v).toFixed(1)} ms`;
  for (const p of pages) {
    const opened = Number.isNaN(median(p.firstOpen)) ? ''
      : `, first opening of a sub menu ${ms(p.firstOpen)}`;
    console.log(p.label.startsWith('reference')
      ? `${p.label}: parsed and laid out in ${ms(p.total)} [median of ${runs}]`
      : `${p.label}: script start to usable menu ${ms(p.total)} (engine alone `
        + `${ms(p.engineOnly)})${opened} [median of ${runs}]`);
  }
} finally {
  await browser.close();
  removeWorkDir(dir);
}
