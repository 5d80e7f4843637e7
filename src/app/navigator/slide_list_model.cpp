#include "app/navigator/slide_list_model.h"

#include <algorithm>

#include "app/document/document_handle.h"
#include "app/support/core_texts.h"
#include "core/editing/navigator_text.h"
#include "core/editing/slide_operations.h"

namespace mosavelle::app {

SlideListModel::SlideListModel(DocumentHandle& handle, QObject* parent)
    : QAbstractListModel(parent), handle_(handle) {
    const Project& project = handle_.document().project();
    slides_ = project.slides;
    images_ = project.images;
    appearance_ = project.appearance;
    rebuildIndex();
    connect(&handle_, &DocumentHandle::documentChanged, this, &SlideListModel::onDocumentChanged);
}

SlideListModel::~SlideListModel() = default;

const Project& SlideListModel::project() const {
    return handle_.document().project();
}

int SlideListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(slides_.size());
}

const Slide* SlideListModel::slideAt(int row) const {
    if (row < 0 || row >= static_cast<int>(slides_.size()))
        return nullptr;
    return &slides_[static_cast<std::size_t>(row)];
}

int SlideListModel::rowOf(const Uuid& slideID) const {
    auto found = rows_.find(slideID);
    return found == rows_.end() ? -1 : found->second;
}

QVariant SlideListModel::data(const QModelIndex& index, int role) const {
    const Slide* slide = slideAt(index.row());
    if (!slide || index.column() != 0)
        return {};
    const int number = index.row() + 1;
    const auto name = [&] { return CoreTexts::slideName(*slide, project()); };
    switch (role) {
        case LabelRole:
            return QString::number(number) + QStringLiteral(". ") + name();
        case Qt::DisplayRole:
        case Qt::EditRole:
        case Qt::ToolTipRole:
            return name();
        case Qt::AccessibleTextRole:
            return tr("Slide %1, %2").arg(QString::number(number), name());
        case Qt::AccessibleDescriptionRole:
            return tr(
                "Drag to reorder. Right-click to rename or delete. Alt-click to add this image "
                "to the current slide.");
        case ExcludedRole:
            return slide->isExcluded;
        case SlideNumberRole:
            return number;
        default:
            return {};
    }
}

bool SlideListModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    const Slide* slide = slideAt(index.row());
    if (!slide || role != Qt::EditRole)
        return false;
    renameSlide(handle_.document(), slide->id, value.toString().toStdString());
    return true;
}

Qt::ItemFlags SlideListModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable | Qt::ItemIsDragEnabled |
           Qt::ItemIsDropEnabled;
}

void SlideListModel::onDocumentChanged(const DocumentChange& change) {
    if (change.kind == DocumentChangeKind::project)
        sync(change.slides);
    else if (change.kind == DocumentChangeKind::pictures && !slides_.empty())
        emitChangedRuns(std::vector<bool>(slides_.size(), true));  // miniatures may fill in
}

void SlideListModel::rebuildIndex() {
    rows_.clear();
    rows_.reserve(slides_.size());
    for (std::size_t i = 0; i < slides_.size(); ++i)
        rows_.emplace(slides_[i].id, static_cast<int>(i));
}

void SlideListModel::emitChangedRuns(const std::vector<bool>& changed) {
    const int count = static_cast<int>(changed.size());
    for (int first = 0; first < count;) {
        if (!changed[static_cast<std::size_t>(first)]) {
            ++first;
            continue;
        }
        int last = first;
        while (last + 1 < count && changed[static_cast<std::size_t>(last + 1)])
            ++last;
        rowsTouched_ += last - first + 1;
        Q_EMIT dataChanged(index(first), index(last));
        first = last + 1;
    }
}

void SlideListModel::resetFrom(const SlideList& target) {
    beginResetModel();
    slides_ = target;
    rebuildIndex();
    endResetModel();
    ++resets_;
}

// Applies one step of a delta to the rows, with the model's signals; rows whose slide changed in
// place are added to `updated`.
void SlideListModel::applyRowChange(const SlideRowChange& step, std::vector<std::size_t>& updated) {
    const SlideList& target = handle_.document().project().slides;
    const auto slideFor = [&](const Uuid& id) {
        const auto position = handle_.document().slidePosition(id);
        if (position)
            return target[*position];
        Slide missing;  // cannot happen for a consistent delta; the check after it resets then
        missing.id = id;
        return missing;
    };
    const int first = static_cast<int>(step.row);
    const int last = first + static_cast<int>(step.count) - 1;
    const auto at = [&](std::size_t row) {
        return slides_.begin() + static_cast<std::ptrdiff_t>(row);
    };
    switch (step.kind) {
        case SlideRowChange::Kind::insert: {
            std::vector<Slide> inserted;
            for (const Uuid& id : step.ids)
                inserted.push_back(slideFor(id));
            beginInsertRows({}, first, last);
            slides_.insert(at(step.row), inserted.begin(), inserted.end());
            endInsertRows();
            rowsTouched_ += last - first + 1;
            break;
        }
        case SlideRowChange::Kind::remove:
            beginRemoveRows({}, first, last);
            slides_.erase(at(step.row), at(step.row + step.count));
            endRemoveRows();
            rowsTouched_ += last - first + 1;
            break;
        case SlideRowChange::Kind::move:
            beginMoveRows({}, first, last, {}, static_cast<int>(step.destination));
            if (step.destination > step.row)
                std::rotate(at(step.row), at(step.row + step.count), at(step.destination));
            else
                std::rotate(at(step.destination), at(step.row), at(step.row + step.count));
            endMoveRows();
            rowsTouched_ += last - first + 1;
            break;
        case SlideRowChange::Kind::update:
            for (std::size_t row = step.row; row < step.row + step.count; ++row)
                updated.push_back(row);
            break;
    }
}

void SlideListModel::sync(const SlideListDelta& delta) {
    const Project& project = handle_.document().project();
    const SlideList& target = project.slides;
    // Names come from the pictures and miniatures are drawn on the background: when either
    // changed, every row repaints. Pictures only added after the others name no row shown yet.
    const bool everyRowChanged =
        !picturesOnlyAdded(images_, project.images) ||
        project.appearance.background != appearance_.background ||
        project.appearance.customBackground != appearance_.customBackground;
    images_ = project.images;
    appearance_ = project.appearance;
    if (delta.reset) {
        resetFrom(target);
        Q_EMIT synced();
        return;
    }

    std::vector<std::size_t> updated;
    for (const SlideRowChange& step : delta.rows)
        applyRowChange(step, updated);
    // The steps must have led to the deck; should they not, the rows start over from it. Read
    // through a const list: a mutable iteration would copy every slide shared with the deck.
    const SlideList& rows = slides_;
    const bool matches = rows.size() == target.size() &&
                         std::equal(rows.begin(), rows.end(), target.begin(),
                                    [](const Slide& a, const Slide& b) { return a.id == b.id; });
    if (!matches) {
        resetFrom(target);
        Q_EMIT synced();
        return;
    }

    // Rows whose slide changed, or whose number did.
    std::vector<bool> changed(target.size(), everyRowChanged);
    for (std::size_t row : updated)
        if (row < changed.size())
            changed[row] = true;
    slides_ = target;
    updateIndex(delta, changed);
    emitChangedRuns(changed);
    Q_EMIT synced();
}

bool SlideListModel::picturesOnlyAdded(const ImageList& before, const ImageList& after) {
    if (before == after)
        return true;
    if (before.size() >= after.size())
        return false;
    for (std::size_t i = 0; i < before.size(); ++i)
        if (!before.sameElement(i, after, i) && !(before[i] == after[i]))
            return false;
    return true;
}

// Rows before the first one a step touched keep their slide and number. From there on, a row
// whose slide was elsewhere before changed its number; a row inserted just now is painted fresh,
// so a change report for it would be redundant. The index follows, erasing removed slides.
void SlideListModel::updateIndex(const SlideListDelta& delta, std::vector<bool>& changed) {
    for (const SlideRowChange& step : delta.rows)
        if (step.kind == SlideRowChange::Kind::remove)
            for (const Uuid& id : step.ids)
                rows_.erase(id);
    const SlideList& rows = slides_;
    for (std::size_t i = delta.firstShiftedRow(rows.size()); i < rows.size(); ++i) {
        const auto [entry, inserted] = rows_.try_emplace(rows[i].id, static_cast<int>(i));
        if (inserted) {
            changed[i] = false;
        } else if (entry->second != static_cast<int>(i)) {
            changed[i] = true;
            entry->second = static_cast<int>(i);
        }
    }
    // A damaged file repeating identifiers keeps the first row of each, as a rebuild does.
    if (rows_.size() != rows.size())
        rebuildIndex();
}

}  // namespace mosavelle::app
