// The PPP extension's entry point: starts poliz-lsp, the language server, for .ppp files, so
// that errors show under the code as it is typed, with hovers, definitions, references, colours
// and quick fixes. The build bundles this file and the language client into dist/extension.js.
"use strict";

const vscode = require("vscode");
const { LanguageClient } = require("vscode-languageclient/node");

let client;

function activate(context) {
  const command = vscode.workspace.getConfiguration("ppp").get("server.path") || "poliz-lsp";
  const server = { command, args: [] };
  client = new LanguageClient(
    "poliz-lsp",
    "poliz language server",
    { run: server, debug: server },
    { documentSelector: [{ language: "ppp" }] },
  );
  context.subscriptions.push(client);
  return client.start().catch((error) => {
    vscode.window.showErrorMessage(
      `poliz-lsp could not be started (${error.message}): install it, or set ppp.server.path to its path`,
    );
  });
}

function deactivate() {
  return client ? client.stop() : undefined;
}

module.exports = { activate, deactivate };
