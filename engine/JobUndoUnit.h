#pragma once

// One row of the undo dialog: a backup set or one backed-up file. The dialog shows GetInfo,
// colours the row by GetState and calls Restore; it never looks behind this interface.

#include <core/RawParameterList.h>
#include <core/RawString.h>
#include <engine/JobUndoLink.h>

#include <cstdint>

namespace JobLayer {

using RawLayer::RawParameterList;
using RawLayer::RawString;

class JobUndoUnit {
public:
    virtual ~JobUndoUnit() = default;

    // The lines shown in the row, key and value (the list shares its body with the unit's own).
    virtual RawParameterList GetInfo() = 0;
    // A set: its origin (0, 1, 2). A file: 0 nothing to restore from, 4 as before the apply,
    // 5 as the apply left it, 6 changed after the apply.
    virtual int32_t GetState() const = 0;
    // The list to open one level down, or nullptr for a file.
    virtual JobUndoLink* GetLink() = 0;
    // Puts back what the row stands for; true when everything succeeded.
    [[nodiscard]] virtual bool Restore() = 0;
    // The set folder; empty when the set has none (backups switched off).
    virtual RawString GetFolder() const = 0;
};

} // namespace JobLayer
