// The result list appends and paints on the window thread while a real search job adds blocks
// on its own thread; under the thread sanitizer every shared access must be guarded.

#include <app/GuiSearchJob.h>
#include <app/GuiViewBox.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "../TestSupport.h"
#include "../toolkit/ControlTestSupport.h"

namespace {

using namespace QuelvaneTest;
using AppLayer::GuiSearchJob;
using AppLayer::GuiViewBox;
using RawLayer::RawEncoding;
using RawLayer::RawString;

class NullSink : public JobLayer::JobNotificationSink {
public:
    void Post(uint32_t) override { }
};

TEST_F(ControlTest, ViewBoxAppendsAndPaintsWhileTheSearchRuns)
{
    TestFolder temp;
    ASSERT_FALSE(temp.Path().empty());
    for (const char* name : { "a.txt", "b.txt", "c.txt" })
        std::ofstream(temp.Path() + "/" + name, std::ios::binary) << std::string(3000, '\n');
    JobLayer::JobParams params;
    params.targets.Add(RawString(temp.Path(), RawEncoding::Utf8));
    params.expressions.Add(RawString("!x", RawEncoding::Utf8)); // every line is a block
    params.filters.Add("*");
    JobLayer::JobResultSet results;
    JobLayer::JobStatusCentre centre;
    NullSink sink;
    GuiViewBox box(results, centre);
    RecordingDialog dialog;
    dialog.Add(box.Header(), { 10, 10, 590, 30 });
    dialog.Add(box, { 10, 30, 590, 330 });
    ASSERT_TRUE(dialog.Open());

    GuiSearchJob job(params, results, sink, 16384, centre);
    ASSERT_TRUE(job.Start());
    while (!results.HasFlag(JobLayer::JobResultSet::kFin)) {
        box.AppendNewBlocks();
        box.SetCursor(box.RowCount() - 1); // follows the newest rows, painting them
        Host::DrainMessages();
    }
    job.Wait();
    box.AppendNewBlocks();
    Host::DrainMessages();
    EXPECT_EQ(box.RowCount(), 9000);
    EXPECT_EQ(box.ItemOf(8999), &results.blocks.Back());
}

} // namespace
