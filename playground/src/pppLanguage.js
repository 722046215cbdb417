// Highlighting for the language of poliz: keywords, type names, numbers, string constants
// (which may span lines) and /* */ comments (which may too).
import { StreamLanguage } from '@codemirror/language';

const keywords = new Set([
  'program', 'if', 'else', 'while', 'for', 'case', 'of', 'end', 'continue', 'read', 'write',
]);
const operatorWords = new Set(['not', 'and', 'or']);
const types = new Set(['int', 'real', 'string']);

export const pppLanguage = StreamLanguage.define({
  name: 'ppp',
  startState: () => ({ inComment: false, inString: false }),
  copyState: (state) => ({ ...state }),
  token(stream, state) {
    if (state.inComment) {
      if (stream.skipTo('*/')) {
        stream.next();
        stream.next();
        state.inComment = false;
      } else {
        stream.skipToEnd();
      }
      return 'comment';
    }
    if (state.inString) {
      if (stream.skipTo('"')) {
        stream.next();
        state.inString = false;
      } else {
        stream.skipToEnd();
      }
      return 'string';
    }
    if (stream.eatSpace()) return null;
    if (stream.match('/*')) {
      state.inComment = true;
      return 'comment';
    }
    if (stream.eat('"')) {
      state.inString = true;
      return 'string';
    }
    if (stream.match(/^\d+(\.\d*)?([eE][+-]?\d+)?/) || stream.match(/^\.\d+([eE][+-]?\d+)?/)) return 'number';
    if (stream.match(/^[A-Za-z_][A-Za-z0-9_]*/)) {
      const word = stream.current();
      if (keywords.has(word)) return 'keyword';
      if (operatorWords.has(word)) return 'operatorKeyword';
      if (types.has(word)) return 'typeName';
      return 'variableName';
    }
    if (stream.match(/^(<=|>=|==|!=|[-+*/=<>])/)) return 'operator';
    if (stream.match(/^[{}();:,]/)) return 'punctuation';
    stream.next();
    return 'invalid';
  },
  languageData: { commentTokens: { block: { open: '/*', close: '*/' } } },
});
