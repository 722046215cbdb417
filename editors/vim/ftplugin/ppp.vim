" Buffer settings for .ppp files: the language has only /* */ comments.
if exists("b:did_ftplugin")
  finish
endif
let b:did_ftplugin = 1

setlocal commentstring=/*\ %s\ */
setlocal comments=s1:/*,mb:*,ex:*/
" Words are letters then letters or digits, as the interpreter reads them.
setlocal iskeyword=a-z,A-Z,48-57

" :make explains the first error of the program (compiler/poliz.vim).
compiler poliz

let b:undo_ftplugin = "setlocal commentstring< comments< iskeyword< makeprg< errorformat<"
      \ . " | unlet! b:current_compiler"
