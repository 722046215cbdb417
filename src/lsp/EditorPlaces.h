// Places in the editor's terms: a position is a line from 0 and a character in the agreed
// encoding; the translator's are a line and a byte column from 1. Every answer of poliz-lsp
// that names a place goes through these.
#pragma once

#include <nlohmann/json.hpp>

#include "common/SourcePosition.h"
#include "explain/SourceText.h"
#include "lsp/PositionEncoding.h"

// An integer of the protocol (a line, a character), saturated to 32 bits. Anything else, a
// fraction or a number like 1e30 included, throws nlohmann::json's type error, as any
// malformed parameter does; it is never converted.
long long protocolInteger(const nlohmann::json& value);

struct EditorPlaces {
    const SourceText& source;
    PositionEncoding encoding;

    nlohmann::json position(SourcePosition at) const;
    nlohmann::json range(SourcePosition from, SourcePosition to) const;
    nlohmann::json location(const std::string& uri, SourcePosition from, SourcePosition to) const;
    // The place of an editor's position; throws nlohmann::json's exceptions when it is malformed.
    SourcePosition place(const nlohmann::json& position) const;
};
