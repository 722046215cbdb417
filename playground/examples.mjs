// Collects the programs the examples menu offers into one JSON file: proga1.ppp first, then
// every program of examples/, each with the input its golden test gives it (NAME.in in
// tests/programs/ok/examples/) when there is one. Usage: node examples.mjs ROOT OUTPUT
import { existsSync, readFileSync, readdirSync, writeFileSync } from 'node:fs';
import { basename, join } from 'node:path';

const [root, output] = process.argv.slice(2);
const read = (path) => (existsSync(path) ? readFileSync(path, 'utf8') : '');
const inputs = join(root, 'tests', 'programs', 'ok', 'examples');
const example = (name, path) => ({
  name,
  source: read(path),
  input: read(join(inputs, basename(path).replace(/\.ppp$/, '.in'))),
});

const examples = [example('proga1.ppp', join(root, 'proga1.ppp'))];
for (const name of readdirSync(join(root, 'examples')).filter((n) => n.endsWith('.ppp')).sort())
  examples.push(example(`examples/${name}`, join(root, 'examples', name)));
writeFileSync(output, JSON.stringify(examples));
