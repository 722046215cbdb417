// The POLIZ listing beside the source: items grouped by the source line they came from, in the
// colour of that line; a label links to the item it jumps to.
import { colourClass } from './colours.js';

// Listings longer than this are cut, so that a huge program does not stall the page.
const maxItems = 20000;

function element(tag, className, text) {
  const node = document.createElement(tag);
  if (className) node.className = className;
  if (text !== undefined) node.textContent = text;
  return node;
}

function sourceLineText(lines, line) {
  const text = (lines[line - 1] ?? '').trim();
  return text.length > 60 ? `${text.slice(0, 57)}...` : text;
}

// A label's link; the jump that takes it is the next item. The arrow says which way it goes.
function labelLink(item, address) {
  const target = Number(item.text.slice(2));
  const link = element('a', 'text pg-jump', `${target <= address ? '\u21b0' : '\u21b3'} ->${target}`);
  link.href = `#item-${target}`;
  link.dataset.target = String(target);
  link.title = `jumps to item ${target}`;
  return link;
}

// The source lines the shown items need, so that a huge source is not split whole.
function shownLines(items) {
  let last = 0;
  for (let k = 0; k < Math.min(items.length, maxItems); ++k) last = Math.max(last, items[k].line);
  return last;
}

// Draws `items` into `container`; `colours` maps a source line to its colour number;
// `itemCount` is the program's number of items when the reply did not list them all.
export function renderListing(container, items, sourceText, colours, itemCount = items.length) {
  container.replaceChildren();
  const lines = sourceText.split('\n', shownLines(items));
  let group = null;
  let groupLine = -1;
  const shown = Math.min(items.length, maxItems);
  for (let address = 0; address < shown; ++address) {
    const item = items[address];
    if (item.line !== groupLine) {
      groupLine = item.line;
      group = element('div', `pg-group ${colourClass(colours.get(item.line) ?? 0)}`);
      group.dataset.line = String(item.line);
      const header = element('div', 'pg-group-header');
      header.append(element('span', 'pg-line-number', `line ${item.line}`), element('code', '', sourceLineText(lines, item.line)));
      group.append(header);
      container.append(group);
    }
    const row = element('div', `pg-item pg-kind-${item.kind}`);
    row.id = `item-${address}`;
    row.dataset.address = String(address);
    row.dataset.line = String(item.line);
    row.append(element('span', 'addr', String(address)), element('span', 'kind', item.kind));
    row.append(item.kind === 'label' ? labelLink(item, address) : element('span', 'text', item.text));
    row.append(element('span', 'type', item.type));
    group.append(row);
  }
  if (itemCount > shown) container.append(element('div', 'pg-cut', `... ${itemCount - shown} more items not shown`));
}

function setClass(container, selector, className) {
  for (const node of container.querySelectorAll(`.${className}`)) node.classList.remove(className);
  if (selector) for (const node of container.querySelectorAll(selector)) node.classList.add(className);
}

// Highlights every group of a source line (0: none).
export function linkLine(container, line) {
  setClass(container, line ? `.pg-group[data-line="${line}"]` : null, 'pg-linked');
}

// Marks the item the machine runs next (-1: none) and scrolls it into view.
export function markCurrent(container, address) {
  setClass(container, address >= 0 ? `#item-${address}` : null, 'pg-current');
  const current = container.querySelector('.pg-current');
  if (current) current.scrollIntoView({ block: 'nearest' });
}

// Marks the item a runtime error came from (-1: none) and scrolls it into view.
export function markFailed(container, address) {
  setClass(container, address >= 0 ? `#item-${address}` : null, 'pg-failed');
  const failed = container.querySelector('.pg-failed');
  if (failed) failed.scrollIntoView({ block: 'nearest' });
}

// Flashes a jump's target when its link is pointed at or followed.
export function markTarget(container, address) {
  setClass(container, address >= 0 ? `#item-${address}` : null, 'pg-target');
}
