-- Run by nvim_test.sh inside `nvim --headless`: Neovim's own LSP client on a .ppp file with a
-- missing ';'. Checks the diagnostic's place and message, that mending the line clears it, a
-- hover and a go-to-definition; quits with status 0, or 1 after printing what failed.
local server = os.getenv("POLIZ_LSP")
local file = os.getenv("PPP_FILE")

local function fail(what)
  io.stderr:write("FAIL: " .. what .. "\n")
  vim.cmd("cquit 1")
end

local function check(condition, what)
  if not condition then fail(what) end
  return condition
end

vim.cmd("edit " .. vim.fn.fnameescape(file))
local buf = vim.api.nvim_get_current_buf()
local config = { name = "poliz-lsp", cmd = { server }, root_dir = vim.fn.fnamemodify(file, ":h") }
-- vim.lsp.start where this Neovim has it (0.8 on), else the older pair of calls.
local id
if vim.lsp.start then
  id = vim.lsp.start(config)
else
  id = vim.lsp.start_client(config)
  vim.lsp.buf_attach_client(buf, id)
end
check(id ~= nil, "the client did not start")

check(vim.wait(15000, function() return #vim.diagnostic.get(buf) > 0 end, 50), "no diagnostic arrived")
local d = vim.diagnostic.get(buf)[1]
-- Line 4 ("    n = 3"), right after the 3: lnum and col count from 0.
check(d.lnum == 3 and d.col == 9, "diagnostic at " .. d.lnum .. ":" .. d.col .. ", expected 3:9")
check(vim.startswith(d.message, "Syntax error (line 5): semicolon is expexted but 'n' found!"), d.message)
check(d.severity == vim.diagnostic.severity.ERROR, "severity " .. tostring(d.severity))

vim.api.nvim_buf_set_lines(buf, 3, 4, false, { "    n = 3;" })
check(vim.wait(15000, function() return #vim.diagnostic.get(buf) == 0 end, 50), "the mended line keeps its diagnostic")

local client = vim.lsp.get_client_by_id(id)
local at_n = { textDocument = { uri = vim.uri_from_bufnr(buf) }, position = { line = 4, character = 8 } }
local hover = client.request_sync("textDocument/hover", at_n, 10000, buf)
check(hover and hover.result, "no hover")
local text = hover.result.contents.value
check(text:find("int n = 5", 1, true) and text:find("declared on line 2", 1, true), "hover: " .. text)

-- Go to definition as a user does: the cursor on the n of line 5 jumps to its declaration.
vim.api.nvim_win_set_cursor(0, { 5, 8 })
vim.lsp.buf.definition()
check(vim.wait(10000, function() return vim.api.nvim_win_get_cursor(0)[1] == 2 end, 50), "the cursor did not move")
local cursor = vim.api.nvim_win_get_cursor(0)
check(cursor[1] == 2 and cursor[2] == 8, "definition at " .. cursor[1] .. ":" .. cursor[2] .. ", expected 2:8")

print("ok: diagnostic, mended, hover, definition")
vim.cmd("qa!")
