" Recognises .ppp files as programs for the poliz interpreter.
autocmd BufRead,BufNewFile *.ppp setfiletype ppp
