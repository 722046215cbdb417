// The colours that tie a source line to its POLIZ items: the same class on both sides.
export const colourCount = 8;

export function colourClass(index) {
  return `pg-colour-${index % colourCount}`;
}

// Numbers the source lines that have items, in order of their first item.
export function lineColours(items) {
  const colours = new Map();
  for (const item of items) if (!colours.has(item.line)) colours.set(item.line, colours.size);
  return colours;
}
