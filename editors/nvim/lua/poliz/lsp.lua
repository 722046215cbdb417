-- Starts poliz-lsp for .ppp buffers, one server per folder, each buffer attached to its
-- folder's: with vim.lsp.start on Neovim 0.8 and later, which finds a running server itself,
-- and on 0.7 (Debian 12's) with vim.lsp.start_client, remembering the server of each folder.
local M = {}

local started = {} -- folder -> client id, for Neovim 0.7

function M.attach(buf)
  local server = vim.g.poliz_lsp or "poliz-lsp"
  if vim.bo[buf].buftype ~= "" or vim.fn.executable(server) ~= 1 then
    return
  end
  local file = vim.api.nvim_buf_get_name(buf)
  local folder = file ~= "" and vim.fn.fnamemodify(file, ":p:h") or vim.fn.getcwd()
  local config = { name = "poliz-lsp", cmd = { server }, root_dir = folder }
  if vim.lsp.start then
    vim.lsp.start(config, { bufnr = buf })
    return
  end
  local id = started[folder]
  local client = id and vim.lsp.get_client_by_id(id)
  if not client or client.is_stopped() then
    id = vim.lsp.start_client(config)
    started[folder] = id
  end
  if id then
    vim.lsp.buf_attach_client(buf, id)
  end
end

return M
