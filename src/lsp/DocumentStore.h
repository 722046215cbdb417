// The documents the editor has open: each one's newest text and version, and the newest
// analysis made of it. The server's thread writes texts and reads analyses; the analysing
// threads take texts once they have been quiet for a moment (or are wanted at once) and put
// analyses back, one text of a document at a time, so that a huge document holds up no other.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "lsp/Analysis.h"

class DocumentStore {
public:
    using Clock = std::chrono::steady_clock;

    // A text to analyse.
    struct Due {
        std::string uri;
        int version = 0;
        long revision = 0;
        std::string text;
    };
    // Called, with the store locked, when the analysis of a document's newest text is in, so
    // that its diagnostics are published in the order of its versions and never after its close.
    using Published = std::function<void(const std::string& uri, int version, const Analysis& analysis)>;

private:
    struct Document {
        std::string text;
        int version = 0;
        long revision = 0;          // counts every text, whatever versions the editor sends
        bool textAnalysed = false;  // an analysing thread has taken `text`
        bool analysing = false;     // one is at work on this document
        bool wanted = false;        // a request waits for it: no debounce
        Clock::time_point changedAt;
        std::shared_ptr<const Analysis> analysis;
        long analysisRevision = -1;
    };
    std::map<std::string, Document> documents;
    std::chrono::milliseconds debounce;
    Published published;
    bool stopping = false;
    long revisions = 0;
    mutable std::mutex lock;
    std::condition_variable changed;

public:
    DocumentStore(std::chrono::milliseconds debounce, Published published)
        : debounce(debounce), published(std::move(published)) {}

    // didOpen: the text is due at once. didChange: due after the debounce; false for a
    // document that is not open. didClose: false for one that is not open.
    void open(const std::string& uri, std::string text, int version);
    bool change(const std::string& uri, std::string text, int version);
    bool close(const std::string& uri);
    bool isOpen(const std::string& uri) const;

    // The analysis of the document's newest text, waiting at most `wait` for it; an older
    // one when the wait runs out; null for a document that is not open.
    std::shared_ptr<const Analysis> analysis(const std::string& uri, std::chrono::milliseconds wait);

    // For the analysing threads: blocks until a text is due, of a document that none is at work
    // on, or returns nothing once stopped.
    std::optional<Due> nextDue();
    // Takes any due text at once, debounce or not; for a server without its analysing thread.
    std::optional<Due> takeAny();
    // A null analysis (the text could not be analysed) keeps the one before.
    void store(const Due& due, std::shared_ptr<const Analysis> analysis);
    void stop();
};
