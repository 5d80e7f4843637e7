#include "app/navigator/slide_list_model.h"

#include <algorithm>
#include <unordered_set>

#include "app/document/document_handle.h"
#include "core/editing/navigator_text.h"
#include "core/editing/slide_operations.h"

namespace mosavelle::app {

namespace {

// More rows than this changing places at once are cheaper for a view as one reset than as
// single moves (each move shifts the rows between its ends).
constexpr std::size_t maxSingleMoves = 64;

// Positions in `ranks` (all distinct) of one longest increasing subsequence.
std::vector<bool> longestIncreasing(const std::vector<int>& ranks) {
    std::vector<int> tails;  // position in ranks of the smallest tail of each length
    std::vector<int> previous(ranks.size(), -1);
    for (int i = 0; i < static_cast<int>(ranks.size()); ++i) {
        auto at = std::lower_bound(tails.begin(), tails.end(), ranks[i],
                                   [&](int position, int rank) { return ranks[position] < rank; });
        if (at != tails.begin())
            previous[i] = *(at - 1);
        if (at == tails.end())
            tails.push_back(i);
        else
            *at = i;
    }
    std::vector<bool> kept(ranks.size(), false);
    for (int i = tails.empty() ? -1 : tails.back(); i >= 0; i = previous[i])
        kept[i] = true;
    return kept;
}

}  // namespace

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
    const auto name = [&] { return QString::fromStdString(slideDisplayName(*slide, project())); };
    switch (role) {
        case LabelRole:
            return QString::number(number) + QStringLiteral(". ") + name();
        case Qt::DisplayRole:
        case Qt::EditRole:
        case Qt::ToolTipRole:
            return name();
        case Qt::AccessibleTextRole:
            return QStringLiteral("Slide ") + QString::number(number) + QStringLiteral(", ") +
                   name();
        case Qt::AccessibleDescriptionRole:
            return QStringLiteral(
                "Drag to reorder. Right-click to rename or delete. Alt-click to add this image to "
                "the current slide.");
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
    if (change.kind == DocumentChangeKind::project || change.kind == DocumentChangeKind::pictures)
        sync();
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

void SlideListModel::sync() {
    const Project& project = handle_.document().project();
    const std::vector<Slide>& target = project.slides;
    const bool everyRowChanged =
        project.images != images_ || project.appearance.background != appearance_.background ||
        project.appearance.customBackground != appearance_.customBackground;
    images_ = project.images;
    appearance_ = project.appearance;

    std::unordered_map<Uuid, int> targetRows;
    targetRows.reserve(target.size());
    for (std::size_t i = 0; i < target.size(); ++i)
        targetRows.emplace(target[i].id, static_cast<int>(i));
    // Where each slide stood before, so that rows whose number changed repaint.
    const std::unordered_map<Uuid, int> before = rows_;

    // 1. Rows whose slide is gone, in runs from the end.
    for (int row = static_cast<int>(slides_.size()) - 1; row >= 0;) {
        if (targetRows.contains(slides_[static_cast<std::size_t>(row)].id)) {
            --row;
            continue;
        }
        int first = row;
        while (first > 0 && !targetRows.contains(slides_[static_cast<std::size_t>(first - 1)].id))
            --first;
        beginRemoveRows({}, first, row);
        slides_.erase(slides_.begin() + first, slides_.begin() + row + 1);
        endRemoveRows();
        rowsTouched_ += row - first + 1;
        row = first - 1;
    }

    // 2. Surviving rows into their new order: the longest run already in order stays, every
    // other row moves right after its predecessor in the new order, in that order.
    std::vector<Uuid> survivorsInTargetOrder;
    std::unordered_set<Uuid> survivors;
    for (const Slide& slide : slides_)
        survivors.insert(slide.id);
    for (const Slide& slide : target)
        if (survivors.contains(slide.id))
            survivorsInTargetOrder.push_back(slide.id);
    std::unordered_map<Uuid, int> rank;
    for (std::size_t i = 0; i < survivorsInTargetOrder.size(); ++i)
        rank.emplace(survivorsInTargetOrder[i], static_cast<int>(i));
    std::vector<int> ranks;
    ranks.reserve(slides_.size());
    for (const Slide& slide : slides_)
        ranks.push_back(rank.at(slide.id));
    const std::vector<bool> kept = longestIncreasing(ranks);
    std::unordered_set<Uuid> movers;
    for (std::size_t i = 0; i < slides_.size(); ++i)
        if (!kept[i])
            movers.insert(slides_[i].id);

    if (movers.size() > maxSingleMoves) {
        beginResetModel();
        slides_ = target;
        rebuildIndex();
        endResetModel();
        ++resets_;
        Q_EMIT synced();
        return;
    }
    const auto positionOf = [&](const Uuid& id) {
        return static_cast<int>(std::find_if(slides_.begin(), slides_.end(),
                                             [&](const Slide& s) { return s.id == id; }) -
                                slides_.begin());
    };
    for (std::size_t k = 0; k < survivorsInTargetOrder.size(); ++k) {
        const Uuid& id = survivorsInTargetOrder[k];
        if (!movers.contains(id))
            continue;
        const int from = positionOf(id);
        int to = k == 0 ? 0 : positionOf(survivorsInTargetOrder[k - 1]) + 1;
        if (to == from || to == from + 1)
            continue;  // already right after its predecessor
        beginMoveRows({}, from, from, {}, to);
        Slide moving = std::move(slides_[static_cast<std::size_t>(from)]);
        slides_.erase(slides_.begin() + from);
        if (to > from)
            --to;
        slides_.insert(slides_.begin() + to, std::move(moving));
        endMoveRows();
        ++rowsTouched_;
    }

    // 3. New slides, in runs at their places.
    for (int row = 0; row < static_cast<int>(target.size());) {
        if (survivors.contains(target[static_cast<std::size_t>(row)].id)) {
            ++row;
            continue;
        }
        int last = row;
        while (last + 1 < static_cast<int>(target.size()) &&
               !survivors.contains(target[static_cast<std::size_t>(last + 1)].id))
            ++last;
        beginInsertRows({}, row, last);
        slides_.insert(slides_.begin() + row, target.begin() + row, target.begin() + last + 1);
        endInsertRows();
        rowsTouched_ += last - row + 1;
        row = last + 1;
    }

    // 4. Rows whose slide or number changed.
    std::vector<bool> changed(target.size(), false);
    for (std::size_t i = 0; i < target.size(); ++i) {
        auto was = before.find(target[i].id);
        const bool isNew = was == before.end();
        changed[i] = !isNew && (everyRowChanged || was->second != static_cast<int>(i) ||
                                !(slides_[i] == target[i]));
    }
    slides_ = target;
    rebuildIndex();
    emitChangedRuns(changed);
    Q_EMIT synced();
}

}  // namespace mosavelle::app
