// How far "read" has got in the Input box: the text around that point, what was read marked,
// with the count of bytes read (as the module counts them, in UTF-8).
const encoder = new TextEncoder();
const decoder = new TextDecoder();
const context = 60;  // characters shown on either side of the point

let cachedText = null;
let cachedBytes = null;

function bytesOf(text) {
  if (text !== cachedText) {
    cachedText = text;
    cachedBytes = encoder.encode(text);
  }
  return cachedBytes;
}

// Line breaks and tabs made visible, so that the marked text shows where each line ends.
const visible = (text) => text.replace(/\n/g, '\u21b5\n').replace(/\t/g, '\u2192');

// Shows in `view` how much of `text` the program has read; hidden when there is no input.
export function showInputUsed(view, text, usedBytes) {
  if (!text || usedBytes === undefined || usedBytes < 0) {
    view.hidden = true;
    return;
  }
  const bytes = bytesOf(text);
  const used = Math.min(usedBytes, bytes.length);
  const read = decoder.decode(bytes.subarray(Math.max(0, used - 4 * context), used)).slice(-context);
  const rest = decoder.decode(bytes.subarray(used, used + 4 * context)).slice(0, context);
  const summary = document.createElement('span');
  summary.className = 'pg-input-count';
  summary.textContent = used >= bytes.length ? 'All the input has been read' : `Read so far: ${used} of ${bytes.length} bytes`;
  const mark = document.createElement('mark');
  mark.textContent = visible(read);
  const tail = document.createElement('span');
  tail.textContent = visible(rest);
  const shown = document.createElement('code');
  shown.append(used > 4 * context ? '\u2026' : '', mark, tail, used + 4 * context < bytes.length ? '\u2026' : '');
  view.replaceChildren(summary, shown);
  view.dataset.used = String(used);
  view.hidden = false;
}
