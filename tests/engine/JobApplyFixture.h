#pragma once

// The base of the apply tests, in the engine and in the desktop program: a fresh temp folder
// with the files under "files" and the backup store under "backup", the real search and preview
// over them, and the fixture as the sink of the jobs and the handler of the preview.

#include <engine/JobBackupList.h>
#include <engine/JobReplacer.h>
#include <engine/JobSearch.h>

#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <tests/TestSupport.h>

namespace QuelvaneTest {

class JobApplyFixture : public testing::Test,
                        public JobLayer::JobNotificationSink,
                        public JobLayer::JobReplacer::Handler {
protected:
    static constexpr int32_t kSearchLimit = 1 << 20;

    void SetUp() override
    {
        ASSERT_FALSE(root_.empty());
        files_ = root_ + "/files";
        std::filesystem::create_directory(files_);
        centre_.SetAccepting(true);
        ASSERT_TRUE(store_.StartLoader(Utf8(root_ + "/backup"), 30));
        store_.WaitReady();
    }
    void Post(uint32_t code) override
    {
        std::lock_guard guard(lock_);
        codes_.push_back(code);
    }
    bool IsCancelled() override { return false; }

    // Writes `content` to `name` under "files"; the full path.
    std::string Write(const std::string& name, const std::string& content)
    {
        std::ofstream(files_ + "/" + name, std::ios::binary) << content;
        return files_ + "/" + name;
    }
    // The real search and the real preview over `target` (after any targets added before).
    void Search(const std::string& target, const std::string& expression, const std::string& replacement)
    {
        params_.targets.Add(Utf8(target));
        params_.filters.Add("*");
        params_.expressions.Add(Utf8(expression));
        params_.replacements.Add(Utf8(replacement));
        params_.preview = true;
        params_.checker = 1;
        JobLayer::JobSearch(params_, results_, centre_, *this, kSearchLimit).Run([] { return false; });
        JobLayer::JobReplacer(*this, params_).Pass(results_);
    }

    TestFolder folder_;
    const std::string& root_ = folder_.Path();
    std::string files_;
    JobLayer::JobParams params_;
    JobLayer::JobResultSet results_;
    JobLayer::JobStatusCentre centre_;
    JobLayer::JobBackupList store_;
    std::mutex lock_;
    std::vector<uint32_t> codes_;
};

} // namespace QuelvaneTest
