// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <deque>
#include <memory>
#include <vector>

#include "platform/gdi/GdiTypes.h"

struct CellLayer;

// The strip's undo history. A step holds no pixels, only which stored images stand where, the
// selection and the background colour; the cell store keeps every image that a step names. A
// step made at another cell size holds the layer of stored images it names; the methods below
// that count or renumber images look only at the steps of the current step's layer.
class StripHistory {
  public:
    struct Step {
        std::vector<int> cells;
        int listIndex = -1;
        gdi::COLORREF backColor = 0;
        // Steps of equal version hold the same cells, so a strip saved at one is saved at all.
        int version = 0;
        std::shared_ptr<CellLayer> layer;
    };
    static constexpr std::size_t kHeldBytesLimit = std::size_t{256} << 20;

    explicit StripHistory(std::size_t heldBytesLimit = kHeldBytesLimit)
        : m_HeldBytesLimit(heldBytesLimit) {}

    // Forgets every step; `current` is the only one.
    void Reset(Step current);
    // Drops the steps that could be redone and makes `next` the current step.
    void Record(Step next);
    // The current step follows the selection, so that undoing a change selects as before it.
    void SetListIndex(int listIndex) { m_Steps[m_Current].listIndex = listIndex; }
    bool CanUndo() const { return m_Current > 0; }
    bool CanRedo() const { return m_Current + 1 < m_Steps.size(); }
    const Step& Undo();
    const Step& Redo();
    int StepCount() const { return static_cast<int>(m_Steps.size()); }
    bool NamesImages() const;
    // When the stored images outside the current strip take more than the limit, drops the
    // oldest steps (then the farthest redo steps) until those that steps still name fit, and
    // returns true: the store should then keep only NamedImages().
    bool TrimToLimit(int storedImages, std::size_t bytesPerImage);
    // Ascending store indexes named by any step.
    std::vector<int> NamedImages() const;
    // Each step's cells through newIndex, after the store kept only NamedImages().
    void Renumber(const std::vector<int>& newIndex);

  private:
    bool InCurrentLayer(const Step& step) const { return step.layer == m_Steps[m_Current].layer; }

    std::deque<Step> m_Steps{Step{}};
    std::size_t m_Current = 0;
    std::size_t m_HeldBytesLimit;
};
