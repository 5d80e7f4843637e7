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
    // changed, every row repaints.
    const bool everyRowChanged =
        project.images != images_ || project.appearance.background != appearance_.background ||
        project.appearance.customBackground != appearance_.customBackground;
    images_ = project.images;
    appearance_ = project.appearance;
    if (delta.reset) {
        resetFrom(target);
        Q_EMIT synced();
        return;
    }

    const std::unordered_map<Uuid, int> before = rows_;  // for rows whose number changes
    std::vector<std::size_t> updated;
    for (const SlideRowChange& step : delta.rows)
        applyRowChange(step, updated);
    // The steps must have led to the deck; should they not, the rows start over from it.
    const bool matches = slides_.size() == target.size() &&
                         std::equal(slides_.begin(), slides_.end(), target.begin(),
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
    if (!everyRowChanged)
        for (std::size_t i = 0; i < target.size(); ++i) {
            const auto was = before.find(target[i].id);
            if (was != before.end() && was->second != static_cast<int>(i))
                changed[i] = true;
        }
    slides_ = target;
    rebuildIndex();
    // Rows inserted just now are painted fresh; a change report for them would be redundant.
    for (const SlideRowChange& step : delta.rows)
        if (step.kind == SlideRowChange::Kind::insert)
            for (const Uuid& id : step.ids)
                if (!before.contains(id))
                    if (int row = rowOf(id); row >= 0)
                        changed[static_cast<std::size_t>(row)] = false;
    emitChangedRuns(changed);
    Q_EMIT synced();
}

}  // namespace mosavelle::app
