// Step mode's view of the machine: the operand stack as typed cells, top first, and the
// variables as a table that marks what the last step changed: the program's own variables
// first, the translator's temporaries folded below them behind one toggle.

function element(tag, className, text) {
  const node = document.createElement(tag);
  if (className) node.className = className;
  if (text !== undefined) node.textContent = text;
  return node;
}

// A value as the machine's trace shows it: strings quoted, a missing value as '?'.
function shown(value, type, assigned = true) {
  if (!assigned) return '?';
  return type === 'string' ? JSON.stringify(value) : value;
}

function cell(entry) {
  const node = element('li', `pg-cell pg-cell-${entry.kind}`);
  node.dataset.kind = entry.kind;
  if (entry.kind === 'label') {
    node.dataset.type = 'label';
    node.append(element('span', 'type', 'label'), element('span', 'value', `->${entry.target}`));
    return node;
  }
  node.dataset.type = entry.type;
  node.append(element('span', 'type', entry.type));
  if (entry.kind === 'variable') {
    node.dataset.name = entry.name;
    node.append(element('span', 'name', entry.name), element('span', 'value', shown(entry.value, entry.type, entry.assigned)));
  } else {
    node.append(element('span', 'value', shown(entry.value, entry.type)));
  }
  return node;
}

export function renderStack(list, stack) {
  list.replaceChildren(...[...stack].reverse().map(cell));
  if (stack.length === 0) list.append(element('li', 'pg-empty', 'empty'));
}

function variableRow(variable) {
  const row = element('tr', variable.changed ? 'changed' : '');
  if (variable.temporary) row.classList.add('temporary');
  row.dataset.name = variable.name;
  row.append(
    element('td', 'name', variable.name),
    element('td', 'type', variable.type),
    element('td', 'value', shown(variable.value, variable.type, variable.assigned)),
  );
  return row;
}

// Whether the temporaries are unfolded; it stays so from step to step.
let temporariesShown = false;

export function renderVariables(table, variables) {
  const named = variables.filter((v) => !v.temporary);
  const temporaries = variables.filter((v) => v.temporary);
  const body = element('tbody');
  body.append(...named.map(variableRow));
  if (temporaries.length > 0) {
    const changed = temporaries.some((v) => v.changed);
    const toggle = element('button', 'pg-fold', `${temporariesShown ? '\u25be' : '\u25b8'} ${temporaries.length} temporar${temporaries.length === 1 ? 'y' : 'ies'}${changed && !temporariesShown ? ' (changed)' : ''}`);
    toggle.dataset.testid = 'temporaries';
    toggle.title = 'The values the translator keeps for assignments ($t1, ...): click to show or hide them';
    toggle.setAttribute('aria-expanded', String(temporariesShown));
    toggle.addEventListener('click', () => {
      temporariesShown = !temporariesShown;
      renderVariables(table, variables);
    });
    const cell = element('td');
    cell.colSpan = 3;
    cell.append(toggle);
    const row = element('tr', 'pg-fold-row');
    row.append(cell);
    body.append(row);
    if (temporariesShown) body.append(...temporaries.map(variableRow));
  }
  const head = element('thead');
  const titles = element('tr');
  for (const title of ['variable', 'type', 'value']) titles.append(element('th', '', title));
  head.append(titles);
  table.replaceChildren(head, body);
}
