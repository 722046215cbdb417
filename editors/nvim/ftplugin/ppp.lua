-- Neovim: errors, hovers and definitions from the language server poliz-lsp in every .ppp
-- buffer, where poliz-lsp is installed (on the PATH, or named by g:poliz_lsp).
require("poliz.lsp").attach(vim.api.nvim_get_current_buf())
