" Vim compiler file for .ppp programs: :make runs poliz-show --explain on the current file, and
" the quickfix list takes the FILE:LINE:COL of the error it explains, with its hint.
" g:poliz_show names the poliz-show program when it is not found on the PATH.
if exists("current_compiler")
  finish
endif
let current_compiler = "poliz"

if exists(":CompilerSet") != 2
  command -nargs=* CompilerSet setlocal <args>
endif

let s:cpo_save = &cpo
set cpo&vim

execute 'CompilerSet makeprg=' . escape(get(g:, 'poliz_show', 'poliz-show'), ' \|"') . '\ --explain\ %:S'
" The message poliz prints comes first and is skipped; then the location, which starts the
" entry, the numbered source line and the caret line (both begin with a blank), and the hint,
" which is added to the entry's text. The program's own output is skipped too.
CompilerSet errorformat=%E%f:%l:%c:\ error:\ %m,%Chint:\ %m,%-C\ %.%#,%-G%.%#

let &cpo = s:cpo_save
unlet s:cpo_save
