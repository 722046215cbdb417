// Open documents and their analyses (see DocumentStore.h).
#include "lsp/DocumentStore.h"

void DocumentStore::open(const std::string& uri, std::string text, int version) {
    {
        const std::lock_guard guard(lock);
        Document& d = documents[uri];
        d = Document{};
        d.text = std::move(text);
        d.version = version;
        d.revision = ++revisions;
        d.wanted = true;
        d.changedAt = Clock::now();
    }
    changed.notify_all();
}

bool DocumentStore::change(const std::string& uri, std::string text, int version) {
    {
        const std::lock_guard guard(lock);
        const auto found = documents.find(uri);
        if (found == documents.end()) return false;
        Document& d = found->second;
        d.text = std::move(text);
        d.version = version;
        d.revision = ++revisions;
        d.textAnalysed = false;
        d.changedAt = Clock::now();
    }
    changed.notify_all();
    return true;
}

bool DocumentStore::close(const std::string& uri) {
    const std::lock_guard guard(lock);
    return documents.erase(uri) > 0;
}

bool DocumentStore::isOpen(const std::string& uri) const {
    const std::lock_guard guard(lock);
    return documents.count(uri) > 0;
}

std::shared_ptr<const Analysis> DocumentStore::analysis(const std::string& uri,
                                                        std::chrono::milliseconds wait) {
    std::unique_lock guard(lock);
    const auto found = documents.find(uri);
    if (found == documents.end()) return nullptr;
    if (found->second.analysisRevision != found->second.revision) {
        found->second.wanted = true;
        changed.notify_all();
        changed.wait_for(guard, wait, [&] {
            const auto d = documents.find(uri);
            return stopping || d == documents.end() || d->second.analysisRevision == d->second.revision;
        });
    }
    const auto d = documents.find(uri);
    return d == documents.end() ? nullptr : d->second.analysis;
}

std::optional<DocumentStore::Due> DocumentStore::nextDue() {
    std::unique_lock guard(lock);
    while (!stopping) {
        // The text that is wanted now, else the one that has been quiet longest.
        Document* next = nullptr;
        const std::string* nextUri = nullptr;
        for (auto& [uri, d] : documents) {
            if (d.textAnalysed || d.analysing) continue;
            if (next == nullptr || (d.wanted && !next->wanted) ||
                (d.wanted == next->wanted && d.changedAt < next->changedAt)) {
                next = &d;
                nextUri = &uri;
            }
        }
        if (next == nullptr) {
            changed.wait(guard);
            continue;
        }
        const Clock::time_point due = next->changedAt + debounce;
        if (!next->wanted && Clock::now() < due) {
            changed.wait_until(guard, due);
            continue;
        }
        next->textAnalysed = true;
        next->analysing = true;
        next->wanted = false;
        return Due{*nextUri, next->version, next->revision, next->text};
    }
    return {};
}

std::optional<DocumentStore::Due> DocumentStore::takeAny() {
    const std::lock_guard guard(lock);
    for (auto& [uri, d] : documents)
        if (!d.textAnalysed) {
            d.textAnalysed = true;
            d.wanted = false;
            return Due{uri, d.version, d.revision, d.text};
        }
    return {};
}

void DocumentStore::store(const Due& due, std::shared_ptr<const Analysis> analysis) {
    {
        const std::lock_guard guard(lock);
        const auto found = documents.find(due.uri);
        if (found == documents.end()) return;
        Document& d = found->second;
        d.analysing = false;
        d.analysisRevision = due.revision;
        if (analysis != nullptr) {
            d.analysis = std::move(analysis);
            // A newer text is on its way: its analysis will be published instead.
            if (d.revision == due.revision) published(due.uri, due.version, *d.analysis);
        }
    }
    changed.notify_all();
}

void DocumentStore::stop() {
    {
        const std::lock_guard guard(lock);
        stopping = true;
    }
    changed.notify_all();
}
