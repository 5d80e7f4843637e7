#pragma once

#include <QAbstractListModel>
#include <unordered_map>
#include <vector>

#include "core/model/document.h"
#include "core/model/project.h"

namespace mosavelle::app {

class DocumentHandle;

// The deck's slides as rows, in deck order, for the navigator's list and grid. Follows the
// document's slide deltas: row insertions, removals and moves as the document reports them, and
// dataChanged for the rows whose slide or number changed, so that views keep their scroll
// position and only those rows repaint. A change the document reports as a reset (an opened
// file, a sort) resets the model. Interface thread only.
class SlideListModel : public QAbstractListModel {
    Q_OBJECT
public:
    enum Role {
        // "N. name": the row's label. Qt::DisplayRole is the name alone, so that a row keeps its
        // display value when others are inserted or removed before it.
        LabelRole = Qt::UserRole + 1,
        ExcludedRole,     // bool
        SlideNumberRole,  // 1-based position, excluded slides counted
    };

    explicit SlideListModel(DocumentHandle& handle, QObject* parent = nullptr);
    ~SlideListModel() override;

    DocumentHandle& handle() { return handle_; }
    const Project& project() const;

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    // Editing the name renames the slide ("Rename Slide").
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // The slide shown in `row`, as the model last saw it (null outside the rows).
    const Slide* slideAt(int row) const;
    // The row of a slide, or -1. O(1).
    int rowOf(const Uuid& slideID) const;

    // The number of rows reported by dataChanged, inserted or removed since the last reset of the
    // counter, and the number of model resets (benchmarks and tests).
    qsizetype rowsTouched() const { return rowsTouched_; }
    int resets() const { return resets_; }
    void resetCounters() { rowsTouched_ = 0, resets_ = 0; }

Q_SIGNALS:
    // Rows now match the deck (after any change of the project).
    void synced();

private:
    void onDocumentChanged(const DocumentChange& change);
    void sync(const SlideListDelta& delta);
    void applyRowChange(const SlideRowChange& step, std::vector<std::size_t>& updated);
    void resetFrom(const SlideList& target);
    void rebuildIndex();
    void updateIndex(const SlideListDelta& delta, std::vector<bool>& changed);
    // Whether `after` holds the pictures of `before`, unchanged and in the same places, and
    // perhaps more after them.
    static bool picturesOnlyAdded(const ImageList& before, const ImageList& after);
    void emitChangedRuns(const std::vector<bool>& changed);

    DocumentHandle& handle_;
    SlideList slides_;
    std::unordered_map<Uuid, int> rows_;
    ImageList images_;               // names in display names depend on these
    AppearanceSettings appearance_;  // miniatures are drawn on the deck background
    qsizetype rowsTouched_ = 0;
    int resets_ = 0;
};

}  // namespace mosavelle::app
