" Checks editors/vim on a sample .ppp file: filetype detection and the syntax
" group of each fragment. Run by vim_syntax.sh; writes failures to g:result_file.
let s:sample = [
      \ 'program {',
      \ '    int a, b1 = 2; real x; string s;',
      \ '    if (a >= 1) write(a, "two',
      \ 'lines /* no comment */"); else read(x);',
      \ '    /* a comment',
      \ '    while "no string */ x = 5. + 1.5 * 07 / 3;',
      \ '    while (not a and b1 or a) continue;',
      \ '    for (;;) case (a) of 1: s = ""; end;',
      \ '    Program integer if1 a12 1.2.3 !a a!=b # _ /*/ x */ y a/b',
      \ '}',
      \ ]

" [line, fragment, group]: every character of the fragment, searched on the
" line after the previous fragment of that line, must be in the group
" ('' for plain text).
let s:checks = [
      \ [1, 'program', 'pppStatement'], [1, '{', 'pppDelimiter'],
      \ [2, 'int', 'pppType'], [2, 'a', ''], [2, ',', 'pppDelimiter'],
      \ [2, 'b1', ''], [2, '=', 'pppOperator'], [2, '2', 'pppNumber'],
      \ [2, ';', 'pppDelimiter'], [2, 'real', 'pppType'],
      \ [2, 'string', 'pppType'],
      \ [3, 'if', 'pppConditional'], [3, '>=', 'pppOperator'],
      \ [3, '1', 'pppNumber'], [3, 'write', 'pppStatement'],
      \ [3, '"two', 'pppString'],
      \ [4, 'lines /* no comment */"', 'pppString'], [4, ')', 'pppDelimiter'],
      \ [4, 'else', 'pppConditional'], [4, 'read', 'pppStatement'],
      \ [5, '/* a comment', 'pppComment'],
      \ [6, 'while "no string */', 'pppComment'], [6, 'x', ''],
      \ [6, '5.', 'pppFloat'], [6, '+', 'pppOperator'], [6, '1.5', 'pppFloat'],
      \ [6, '*', 'pppOperator'], [6, '07', 'pppNumber'], [6, '/', 'pppOperator'],
      \ [7, 'while', 'pppRepeat'], [7, 'not', 'pppLogical'],
      \ [7, 'and', 'pppLogical'], [7, 'b1', ''], [7, 'or', 'pppLogical'],
      \ [7, 'continue', 'pppRepeat'],
      \ [8, 'for', 'pppRepeat'], [8, 'case', 'pppConditional'],
      \ [8, 'of', 'pppConditional'], [8, ':', 'pppDelimiter'],
      \ [8, '""', 'pppString'], [8, 'end', 'pppConditional'],
      \ [9, 'Program', ''], [9, 'integer', ''], [9, 'if1', ''], [9, 'a12', ''],
      \ [9, '1.2', 'pppFloat'], [9, '.', 'pppError'], [9, '3', 'pppNumber'],
      \ [9, '!', 'pppError'], [9, 'a', ''], [9, '!=', 'pppOperator'],
      \ [9, '#', 'pppError'], [9, '_', 'pppError'],
      \ [9, '/*/ x */', 'pppComment'], [9, 'y', ''], [9, '/', 'pppOperator'],
      \ [10, '}', 'pppDelimiter'],
      \ ]

let s:failures = []
let s:file = tempname() . '.ppp'
call writefile(s:sample, s:file)
execute 'edit ' . fnameescape(s:file)
if &filetype !=# 'ppp'
  call add(s:failures, 'filetype is "' . &filetype . '", expected "ppp"')
endif
if &commentstring !=# '/* %s */'
  call add(s:failures, 'commentstring is "' . &commentstring . '", expected "/* %s */"')
endif

let s:from = {}
for [s:lnum, s:frag, s:group] in s:checks
  let s:text = getline(s:lnum)
  let s:start = stridx(s:text, s:frag, get(s:from, s:lnum, 0))
  if s:start < 0
    call add(s:failures, 'line ' . s:lnum . ': fragment not found: ' . s:frag)
    continue
  endif
  let s:from[s:lnum] = s:start + len(s:frag)
  for s:col in range(s:start + 1, s:start + len(s:frag))
    let s:actual = synIDattr(synID(s:lnum, s:col, 1), 'name')
    if s:actual !=# s:group
      call add(s:failures, printf('line %d col %d (%s in "%s"): got "%s", expected "%s"',
            \ s:lnum, s:col, s:text[s:col - 1], s:frag, s:actual, s:group))
    endif
  endfor
endfor

call delete(s:file)
call writefile(s:failures, g:result_file)
if empty(s:failures)
  qall!
endif
cquit!
