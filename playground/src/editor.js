// The source editor: CodeMirror with the language's highlighting, and the line marks the
// playground draws on it: each line's colour, the error, the machine's current line and the
// line linked to what the pointer is on in the listing.
import { EditorState, RangeSetBuilder, StateEffect, StateField } from '@codemirror/state';
import { Decoration, EditorView, WidgetType, drawSelection, keymap, lineNumbers } from '@codemirror/view';
import { defaultKeymap, history, historyKeymap, indentWithTab } from '@codemirror/commands';
import { HighlightStyle, bracketMatching, syntaxHighlighting } from '@codemirror/language';
import { tags } from '@lezer/highlight';
import { pppLanguage } from './pppLanguage.js';
import { colourClass } from './colours.js';

const highlightStyle = HighlightStyle.define([
  { tag: tags.keyword, color: '#7a3e9d', fontWeight: 'bold' },
  { tag: tags.operatorKeyword, color: '#7a3e9d', fontWeight: 'bold' },
  { tag: tags.typeName, color: '#0b6e99' },
  { tag: tags.number, color: '#b35900' },
  { tag: tags.string, color: '#2f7d32' },
  { tag: tags.comment, color: '#7d7d7d', fontStyle: 'italic' },
  { tag: tags.operator, color: '#444' },
  { tag: tags.invalid, color: '#c00', textDecoration: 'underline wavy' },
]);

// What the playground marks: colours by line, the error {line, column}, the current line, the
// line linked to the pointer and the one selected in the listing (0 for none).
const setMarks = StateEffect.define();
const marksField = StateField.define({
  create: () => ({ colours: new Map(), error: null, current: 0, linked: 0, selected: 0 }),
  update(marks, transaction) {
    for (const effect of transaction.effects) if (effect.is(setMarks)) marks = { ...marks, ...effect.value };
    return marks;
  },
});

// The spot after the end of a line, where something is missing (a ';', say): nothing there to
// underline, so a visible mark is drawn in its place.
class MissingHereWidget extends WidgetType {
  toDOM() {
    const mark = document.createElement('span');
    mark.className = 'pg-error-eol';
    mark.title = 'something is missing here';
    mark.textContent = '\u2038';
    return mark;
  }

  eq() {
    return true;
  }
}

function lineClasses(marks, lines) {
  const classes = new Map();
  const add = (line, name) => {
    if (line < 1 || line > lines) return;
    classes.set(line, `${classes.get(line) ?? ''} ${name}`.trim());
  };
  for (const [line, colour] of marks.colours) add(line, colourClass(colour));
  if (marks.error) add(marks.error.line, 'pg-error-line');
  if (marks.current) add(marks.current, 'pg-current-line');
  if (marks.linked) add(marks.linked, 'pg-linked-line');
  if (marks.selected) add(marks.selected, 'pg-selected-line');
  return classes;
}

const marksDecorations = EditorView.decorations.compute([marksField, 'doc'], (state) => {
  const marks = state.field(marksField);
  const doc = state.doc;
  const classes = lineClasses(marks, doc.lines);
  const builder = new RangeSetBuilder();
  const errorColumn = marks.error?.column ?? 0;
  for (const line of [...classes.keys()].sort((a, b) => a - b)) {
    const { from, to } = doc.line(line);
    builder.add(from, from, Decoration.line({ class: classes.get(line), attributes: { 'data-line': String(line) } }));
    if (marks.error && marks.error.line === line && errorColumn > 0) {
      const at = from + errorColumn - 1;
      if (at >= to) builder.add(to, to, Decoration.widget({ widget: new MissingHereWidget(), side: 1 }));
      else builder.add(at, at + 1, Decoration.mark({ class: 'pg-error-mark' }));
    }
  }
  return builder.finish();
});

// onChange(text) after every edit; onPointLine(line or 0) as the pointer moves over lines;
// onCursorLine(line) when the cursor moves to another line.
export function createEditor(parent, { text, onChange, onPointLine, onCursorLine }) {
  let cursorLine = 0;
  const view = new EditorView({
    parent,
    state: EditorState.create({
      doc: text,
      extensions: [
        lineNumbers(),
        EditorView.lineWrapping,  // a long line stays readable on a narrow screen
        history(),
        drawSelection(),
        bracketMatching(),
        keymap.of([...defaultKeymap, ...historyKeymap, indentWithTab]),
        pppLanguage,
        syntaxHighlighting(highlightStyle),
        marksField,
        marksDecorations,
        EditorView.contentAttributes.of({ 'data-testid': 'source', 'aria-label': 'Program source' }),
        EditorView.updateListener.of((update) => {
          if (update.docChanged) onChange(update.state.doc.toString());
          const line = update.state.doc.lineAt(update.state.selection.main.head).number;
          if (line !== cursorLine && (update.selectionSet || update.docChanged)) {
            cursorLine = line;
            onCursorLine(line);
          }
        }),
        EditorView.domEventHandlers({
          mousemove(event, v) {
            const pos = v.posAtCoords({ x: event.clientX, y: event.clientY });
            onPointLine(pos === null ? 0 : v.state.doc.lineAt(pos).number);
          },
          mouseleave() {
            onPointLine(0);
          },
        }),
      ],
    }),
  });
  return {
    view,
    text: () => view.state.doc.toString(),
    setText(newText) {
      view.dispatch({ changes: { from: 0, to: view.state.doc.length, insert: newText } });
    },
    mark(value) {
      view.dispatch({ effects: setMarks.of(value) });
    },
    cursorLine: () => view.state.doc.lineAt(view.state.selection.main.head).number,
    // Brings a line into view without moving the cursor.
    reveal(line) {
      if (line < 1 || line > view.state.doc.lines) return;
      view.dispatch({ effects: EditorView.scrollIntoView(view.state.doc.line(line).from, { y: 'nearest' }) });
    },
  };
}
