#pragma once

// The command line of quelvane-cli: what to search, where, in which files, what to do with the
// results, and how to print. Single items (-e, -f, -r, free targets) come first in each list; the
// text of a "--*-field" option is split by the rule of the bar it stands for and appended after
// them. With --load, all of these come after the items the loaded file brings.

#include <core/RawString.h>
#include <core/RawStringList.h>
#include <engine/JobExpressionUtility.h>
#include <engine/JobParams.h>

#include <string>
#include <utility>
#include <vector>

namespace QuelvaneCli {

using RawLayer::RawString;
using RawLayer::RawStringList;

class CliOptions {
public:
    enum class Outcome {
        Search,      // run the search (with its preview, apply and saves)
        ListBackups, // print the backup sets and end
        Restore,     // restore one backup set and end
        Help,        // print the help text and end
        Version,     // print the version and end
        Bad,         // the arguments are wrong; the reason is in `message`
    };

    // What goes to standard output.
    enum class Output {
        Lines, // one "Simple" line per block
        Count, // the number of blocks alone
        Quiet, // nothing
    };

    // How file names are printed on standard output.
    enum class Names {
        Escaped,   // control characters escaped (CliShownName), on a terminal as on a pipe
        NullEnded, // the name's own bytes followed by a zero byte, for scripts (--null)
    };

    static constexpr const char* kUsage = "Usage: quelvane-cli [OPTION]... [TARGET]...\n";

    // Reads `argv` with getopt_long. On Bad, `message` says what is wrong (getopt itself has
    // already named an unknown option or a missing value on standard error). With --load the
    // expressions and targets may come from the file, so their presence is checked by
    // CheckParams after the load instead.
    Outcome Parse(int argc, char** argv, std::string& message);

    // Appends the lists to those `params` hold and sets the switch when given: home folders
    // expanded in the targets, and the filter "*" when the filters stay empty. The caller holds
    // the lock.
    void FillParams(JobLayer::JobParams& params) const;

    // Whether `params` name something to search; when not, `message` says what is missing. The
    // caller holds the lock.
    static bool CheckParams(const JobLayer::JobParams& params, std::string& message);

    static const char* HelpText();

    const RawString& ConfigPath() const { return config_path_; }
    Output OutputKind() const { return output_; }
    Names NameForm() const { return names_; }
    bool IsPreview() const { return preview_ || apply_; }
    bool IsApply() const { return apply_; }
    const RawString& LoadPath() const { return load_path_; }
    const RawString& SaveParamPath() const { return save_param_path_; }
    const RawString& SaveDetailPath() const { return save_detail_path_; }
    const RawString& SaveSimplePath() const { return save_simple_path_; }
    const RawString& RestoreSet() const { return restore_set_; }
    // Whether the run needs the blocks after the search: everything but a plain listing streams.
    bool KeepsResults() const;
    // Whether an option adds to or changes the search itself (expressions, filters, targets,
    // ignore case), which the results of a loaded "Detail" file could not follow.
    bool ChangesSearch() const;

private:
    using Field = JobLayer::JobExpressionUtility::Field;

    void TakeOption(int option, const char* value);
    // The single items of `field` followed by the split texts of its "--*-field" options.
    RawStringList Items(Field field) const;
    // The reason the chosen modes cannot go together, or empty.
    std::string ModeConflict() const;

    RawStringList targets_;
    RawStringList filters_;
    RawStringList expressions_;
    RawStringList replacements_;
    std::vector<std::pair<Field, RawString>> field_texts_;
    bool ignore_case_ = false;
    bool preview_ = false;
    bool apply_ = false;
    bool list_backups_ = false;
    bool restore_ = false;
    RawString config_path_;
    RawString load_path_;
    RawString save_param_path_;
    RawString save_detail_path_;
    RawString save_simple_path_;
    RawString restore_set_;
    Output output_ = Output::Lines;
    Names names_ = Names::Escaped;
};

} // namespace QuelvaneCli
