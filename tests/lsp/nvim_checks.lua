-- Run by nvim_test.sh inside `nvim --headless`, whose runtime path holds only Neovim's own files
-- and the installed plugin; it starts no client of its own. On a .ppp file with a missing ';':
-- the file type, poliz-lsp started by the plugin, the diagnostic's place and message, that mending
-- the line clears it, a hover, a go-to-definition, and one server per folder. Quits with status
-- 0, or 1 after printing what failed.
local folder = os.getenv("PPP_FOLDER")

local function fail(what)
  io.stderr:write("FAIL: " .. what .. "\n")
  vim.cmd("cquit 1")
end

local function check(condition, what)
  if not condition then fail(what) end
  return condition
end

-- The clients attached to a buffer (get_clients from Neovim 0.10, get_active_clients before).
local function clients_of(buf)
  local attached = {}
  for _, client in pairs((vim.lsp.get_clients or vim.lsp.get_active_clients)()) do
    if vim.lsp.buf_is_attached(buf, client.id) then table.insert(attached, client) end
  end
  return attached
end

local function open(file)
  vim.cmd("edit " .. vim.fn.fnameescape(file))
  local buf = vim.api.nvim_get_current_buf()
  check(vim.bo[buf].filetype == "ppp", file .. ": file type '" .. vim.bo[buf].filetype .. "'")
  check(vim.wait(15000, function() return #clients_of(buf) == 1 end, 50), file .. ": poliz-lsp did not start")
  local client = clients_of(buf)[1]
  check(client.name == "poliz-lsp", "client " .. client.name)
  return buf, client
end

local buf, client = open(folder .. "/count.ppp")
check(vim.wait(15000, function() return #vim.diagnostic.get(buf) > 0 end, 50), "no diagnostic arrived")
local d = vim.diagnostic.get(buf)[1]
-- Line 4 ("    n = 3"), right after the 3: lnum and col count from 0.
check(d.lnum == 3 and d.col == 9, "diagnostic at " .. d.lnum .. ":" .. d.col .. ", expected 3:9")
check(vim.startswith(d.message, "Syntax error (line 5): semicolon is expexted but 'n' found!"), d.message)
check(d.severity == vim.diagnostic.severity.ERROR, "severity " .. tostring(d.severity))

vim.api.nvim_buf_set_lines(buf, 3, 4, false, { "    n = 3;" })
check(vim.wait(15000, function() return #vim.diagnostic.get(buf) == 0 end, 50), "the mended line keeps its diagnostic")

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

-- Another file of the folder goes to the same server, a file of another folder to its own.
local _, same = open(folder .. "/other.ppp")
check(same.id == client.id, "a second server for the same folder")
local _, own = open(folder .. "/sub/third.ppp")
check(own.id ~= client.id, "the server of another folder")

print("ok: file type, server started, diagnostic, mended, hover, definition, one server per folder")
vim.cmd("qa!")
