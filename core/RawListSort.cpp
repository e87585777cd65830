#include <core/RawListSort.h>

#include <utility>
#include <vector>

namespace RawLayer {

namespace {

void MoveBefore(RawListNode* node, RawListNode* position)
{
    node->prev->next = node->next;
    node->next->prev = node->prev;
    node->prev = position->prev;
    node->next = position;
    position->prev->next = node;
    position->prev = node;
}

} // namespace

// A range is the nodes strictly between two bounds that the sort of that range never moves.
// The first node is the pivot; every later node that sorts before it is moved in front of the
// pivot, each in front of the one moved before it. The moved part is then sorted, and so is the
// part after the pivot. Ranges wait on an explicit stack rather than in recursion, so a list in
// reverse order cannot exhaust the thread's stack; ranges are disjoint, so the order in which
// they are taken does not change the result.
void RawListSort::SortNodes(RawListNode* sentinel) const
{
    std::vector<std::pair<RawListNode*, RawListNode*>> ranges { { sentinel, sentinel } };
    while (!ranges.empty()) {
        auto [before, end] = ranges.back();
        ranges.pop_back();
        RawListNode* pivot = before->next;
        while (pivot != end && pivot->next != end) {
            RawListNode* front = pivot;
            for (RawListNode* node = pivot->next; node != end;) {
                RawListNode* next = node->next;
                if (Compare(pivot->element, node->element) > 0) {
                    MoveBefore(node, front);
                    front = node;
                }
                node = next;
            }
            if (front != pivot)
                ranges.emplace_back(before, pivot);
            before = pivot;
            pivot = pivot->next;
        }
    }
}

} // namespace RawLayer
