#pragma once

// The command line of quelvane-cli: what to search, where, in which files, and how to print.
// Single items (-e, -f, -r, free targets) come first in each list; the text of a "--*-field"
// option is split by the rule of the bar it stands for and appended after them.

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
        Search,  // run the search
        Help,    // print the help text and end
        Version, // print the version and end
        Bad,     // the arguments are wrong; the reason is in `message`
    };

    // What goes to standard output.
    enum class Output {
        Lines, // one "Simple" line per block
        Count, // the number of blocks alone
        Quiet, // nothing
    };

    static constexpr const char* kUsage = "Usage: quelvane-cli [OPTION]... [TARGET]...\n";

    // Reads `argv` with getopt_long. On Bad, `message` says what is wrong (getopt itself has
    // already named an unknown option or a missing value on standard error).
    Outcome Parse(int argc, char** argv, std::string& message);

    // Copies the lists and the switch into `params`: home folders expanded in the targets, and
    // the filter "*" when no filter was given. The caller holds the lock.
    void FillParams(JobLayer::JobParams& params) const;

    static const char* HelpText();

    const RawString& ConfigPath() const { return config_path_; }
    Output OutputKind() const { return output_; }

private:
    using Field = JobLayer::JobExpressionUtility::Field;

    void TakeOption(int option, const char* value);
    // The single items of `field` followed by the split texts of its "--*-field" options.
    RawStringList Items(Field field) const;

    RawStringList targets_;
    RawStringList filters_;
    RawStringList expressions_;
    RawStringList replacements_;
    std::vector<std::pair<Field, RawString>> field_texts_;
    bool ignore_case_ = false;
    RawString config_path_;
    Output output_ = Output::Lines;
};

} // namespace QuelvaneCli
