import { launch, makeWorkDir, pageUrl } from './helpers.mjs';
import { readFileSync } from 'node:fs';
import { execFileSync } from 'node:child_process';
const dir = makeWorkDir();
const b = await launch();
execFileSync('/work/wt-i22e/build/bin/quorvane-gen', ['/tmp/i22e/d5000.mnu', '-o', dir + '/c.txt']);
const code = readFileSync(dir + '/c.txt', 'latin1');
const variants = { list: code, nolist: code.replace(/<nav[\s\S]*<\/nav>/, '') };
for (let round = 0; round < 3; round++) for (const [label, c] of Object.entries(variants)) {
  const url = pageUrl(dir, '<html><head></head><body>' + c + '</body></html>', { name: label + '.htm' });
  const page = await b.newPage({ viewport: { width: 1280, height: 720 } });
  await b.startTracing(page, { categories: ['devtools.timeline', 'disabled-by-default-devtools.timeline'] });
  await page.goto(url);
  await page.evaluate(() => new Promise((d) => requestAnimationFrame(() => setTimeout(d, 100))));
  const ev = JSON.parse(await b.stopTracing()).traceEvents;
  await page.close();
  const scripts = ev.filter((e) => e.name === 'EvaluateScript' && e.args.data?.url === url).sort((a, c2) => a.ts - c2.ts);
  const main = ev.filter((e) => e.pid === scripts[0].pid && e.tid === scripts[0].tid);
  const cpu = (names, before) => main.filter((e) => names.includes(e.name) && (!before || e.ts < before)).reduce((s, e) => s + (e.tdur || 0), 0) / 1000;
  const layouts = main.filter((e) => ['UpdateLayoutTree', 'Layout'].includes(e.name) && e.tdur > 5000).map((e) => [Math.round((e.ts - scripts[0].ts) / 1000), e.name, Math.round(e.tdur / 1000)]);
  console.log(label, 'style+layout total', cpu(['UpdateLayoutTree', 'Layout']).toFixed(1), 'big ones (ms after first script, name, ms):', JSON.stringify(layouts), 'scripts at', scripts.map((s) => Math.round((s.ts - scripts[0].ts) / 1000)));
}
await b.close();
