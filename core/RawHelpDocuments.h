#pragma once

// The help documents offered by the title menu, and how one is shown.
//
// The documents are the regular files in the executable's folder whose names match one of the
// patterns of "Manual" in the configuration's section "Manual" (default
// "ReadMe_*.txt,ReadMe_*.md,*.pdf"; "*" and "?" wildcards, ASCII case ignored), sorted by name
// byte by byte so the menu stays the same from run to run, at most kMaxDocuments of them. A
// document whose extension is one of "Noterra" (default "txt,md") is shown with the help viewer
// `noterra`, taken from the executable's folder or else from PATH; any other document, and every
// document when the viewer cannot be started, is opened with the desktop's default action.

#include <core/RawStringList.h>

#include <cstdint>

namespace RawLayer {

class RawProfile;

class RawHelpDocuments {
public:
    static constexpr int32_t kMaxDocuments = 30;

    // Reads the settings from `config` and looks for documents beside the executable.
    void Find(RawProfile& config);
    // The same with another folder in place of the executable's (the viewer is looked for
    // there too).
    void FindIn(RawProfile& config, const RawString& folder);

    // "ReadMe_Quelvane.txt" in the folder.
    const RawString& DefaultTopic() const { return default_topic_; }
    // Full paths of the documents found.
    const RawStringList& Documents() const { return documents_; }
    const RawStringList& ViewerExtensions() const { return viewer_extensions_; }
    const RawStringList& Patterns() const { return patterns_; }

    bool UsesViewer(const RawString& document) const;
    // Shows a document (the default topic or one of the list). True when something started.
    [[nodiscard]] bool Open(const RawString& document) const;

private:
    RawString folder_;
    RawString default_topic_;
    RawStringList documents_;
    RawStringList viewer_extensions_;
    RawStringList patterns_;
};

} // namespace RawLayer
