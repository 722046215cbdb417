" Vim syntax file for .ppp programs of the poliz interpreter.
" Covers keywords, type words, operators, numbers, strings and comments,
" and marks characters that the interpreter rejects as lexical errors.
if exists("b:current_syntax")
  finish
endif
let s:cpo_save = &cpo
set cpo&vim

syn case match
" A word is letters then letters or digits; '_' is no part of it. Vim sees
" '12if' as one word and so leaves its 'if' plain, which the interpreter
" would read as a keyword; nobody writes that on purpose.
syn iskeyword a-z,A-Z,48-57

syn keyword pppStatement   program read write
syn keyword pppConditional if else case of end
syn keyword pppRepeat      while for continue
syn keyword pppLogical     not and or
syn keyword pppType        int real string

" Everything not matched below starts no lexeme; '!' is only valid in '!='.
syn match pppError    @[^ \t\rA-Za-z0-9{}(),;:=+\-*/<>!"~]@
syn match pppError    "!=\@!"

syn match pppOperator "[-+*/<>=]"
syn match pppOperator "[<>=!]="
syn match pppDelimiter "[{}(),;:]"

" Unsigned digits with at most one '.', where '5.' is a real; no exponents,
" no leading '.'. Defined after the operators so that they win at a digit.
syn match pppNumber   "\<\d\+"
syn match pppFloat    "\<\d\+\.\d*"

" Strings have no escapes and may span lines; comments do not nest.
syn region pppString  start=+"+ end=+"+
syn keyword pppTodo   contained TODO FIXME XXX
syn region pppComment start="/\*" end="\*/" contains=pppTodo,@Spell

" Strings and comments may span many lines, and programs are short.
syn sync fromstart

hi def link pppStatement   Statement
hi def link pppConditional Conditional
hi def link pppRepeat      Repeat
hi def link pppLogical     Operator
hi def link pppType        Type
hi def link pppOperator    Operator
hi def link pppDelimiter   Delimiter
hi def link pppNumber      Number
hi def link pppFloat       Float
hi def link pppString      String
hi def link pppComment     Comment
hi def link pppTodo        Todo
hi def link pppError       Error

let b:current_syntax = "ppp"

let &cpo = s:cpo_save
unlet s:cpo_save
