" Checks editors/vim/compiler/poliz.vim: :make on a .ppp file with a missing ';' must fill the
" quickfix list from poliz-show --explain and put the cursor where the ';' belongs. Run by
" vim_compiler.sh with g:sample_dir holding the samples; writes failures to g:result_file.
let s:failures = []

function! s:Check(what, actual, expected) abort
  if a:actual !=# a:expected
    call add(s:failures, a:what . ': got ' . string(a:actual) . ', expected ' . string(a:expected))
  endif
endfunction

" The ';' after 'n = 3' is missing; the parser only notices at 'i' three lines further down.
execute 'edit ' . fnameescape(g:sample_dir . '/semicolon.ppp')
call s:Check('compiler of a .ppp buffer', get(b:, 'current_compiler', ''), 'poliz')
silent make
let s:valid = filter(getqflist(), 'v:val.valid')
call s:Check('quickfix entries', len(s:valid), 1)
if len(s:valid) == 1
  let s:entry = s:valid[0]
  call s:Check('file', fnamemodify(bufname(s:entry.bufnr), ':t'), 'semicolon.ppp')
  call s:Check('line', s:entry.lnum, 3)
  call s:Check('column', s:entry.col, 10)
  call s:Check('text starts with the message', s:entry.text =~# "^semicolon is expexted but 'i' found!", 1)
  call s:Check('text holds the hint', s:entry.text =~# "a ';' is missing after '3'", 1)
endif
" Column 10 is just past the end of '    n = 3'; the cursor stops on its last character.
call s:Check('cursor after :make', [line('.'), col('.')], [3, 9])

" A runtime error after the program's own output: the output is skipped, the entry points at
" the divisor's operator; tabs count as one column, as compilers count them.
execute 'edit ' . fnameescape(g:sample_dir . '/division.ppp')
silent make
let s:valid = filter(getqflist(), 'v:val.valid')
call s:Check('runtime entries', len(s:valid), 1)
call s:Check('cursor after a runtime error', [line('.'), col('.')], [3, 10])

" A program that runs gives an empty list.
execute 'edit ' . fnameescape(g:sample_dir . '/fine.ppp')
silent make
call s:Check('entries for a correct program', len(filter(getqflist(), 'v:val.valid')), 0)

call writefile(s:failures, g:result_file)
if empty(s:failures)
  qall!
endif
cquit!
