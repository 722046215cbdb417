// Collects the programs the examples menu offers into one JSON file: proga1.ppp first, then
// every program of examples/, each with its sample input (NAME.in beside it) when there is one.
// Usage: node examples.mjs ROOT OUTPUT
import { existsSync, readFileSync, readdirSync, writeFileSync } from 'node:fs';
import { join } from 'node:path';

const [root, output] = process.argv.slice(2);
const read = (path) => (existsSync(path) ? readFileSync(path, 'utf8') : '');
const example = (name, path) => ({ name, source: read(path), input: read(path.replace(/\.ppp$/, '.in')) });

const examples = [example('proga1.ppp', join(root, 'proga1.ppp'))];
for (const name of readdirSync(join(root, 'examples')).filter((n) => n.endsWith('.ppp')).sort())
  examples.push(example(`examples/${name}`, join(root, 'examples', name)));
writeFileSync(output, JSON.stringify(examples));
