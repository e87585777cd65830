#include <engine/JobColumnHeaderHandler.h>

namespace JobLayer {

JobColumnHeaderHandler::JobColumnHeaderHandler()
    : texts_ { RawString("Check"), RawString("File"), RawString("Line"), RawString("Text") }
{
}

RawString JobColumnHeaderHandler::ColumnText(int32_t column) const
{
    if (column < 0 || column >= kColumnCount)
        return RawString();
    return texts_[static_cast<size_t>(column)];
}

} // namespace JobLayer
