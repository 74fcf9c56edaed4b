// SPDX-License-Identifier: GPL-3.0-or-later
#include "forms/main/FolderTreeModel.h"

#include "platform/Directory.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <dirent.h>
#include <sys/stat.h>

namespace quillo {

struct TFolderTreeModel::Node {
    std::string path;   // full path, no trailing "/" except for the root
    QString label;
    Node *parent = nullptr;
    int row = 0;
    bool listed = false;
    std::vector<std::unique_ptr<Node>> children;
};

namespace {

std::string Join(const std::string &folder, const std::string &name)
{
    return folder == "/" ? "/" + name : folder + "/" + name;
}

bool IsFolder(const std::string &path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

} // namespace

TFolderTreeModel::TFolderTreeModel(QObject *parent) : QAbstractItemModel(parent)
{
    SetRoots({QFile::encodeName(QDir::homePath()).toStdString(), "/"});
}

TFolderTreeModel::~TFolderTreeModel() = default;

void TFolderTreeModel::SetRoots(const std::vector<std::string> &roots)
{
    beginResetModel();
    roots_.clear();
    for (const std::string &r : roots) {
        auto node = std::make_unique<Node>();
        node->path = r.size() > 1 && r.back() == '/' ? r.substr(0, r.size() - 1) : r;
        node->label = QFile::decodeName(QByteArray::fromStdString(node->path));
        node->row = static_cast<int>(roots_.size());
        roots_.push_back(std::move(node));
    }
    endResetModel();
}

TFolderTreeModel::Node *TFolderTreeModel::NodeOf(const QModelIndex &index) const
{
    return index.isValid() ? static_cast<Node *>(index.internalPointer()) : nullptr;
}

void TFolderTreeModel::List(Node *node) const
{
    node->listed = true;
    node->children.clear();
    DIR *dir = ::opendir(node->path.c_str());
    if (!dir)
        return;
    std::vector<std::string> names;
    while (const dirent *e = ::readdir(dir)) {
        const std::string name = e->d_name;
        if (name == "." || name == ".." || name.front() == '.')
            continue; // hidden folders stay out of the tree, as a desktop file manager does
        if (e->d_type == DT_DIR || ((e->d_type == DT_LNK || e->d_type == DT_UNKNOWN) &&
                                    IsFolder(Join(node->path, name))))
            names.push_back(name);
    }
    ::closedir(dir);
    std::vector<std::pair<QString, std::string>> sorted;
    sorted.reserve(names.size());
    for (auto &n : names)
        sorted.emplace_back(QFile::decodeName(QByteArray::fromStdString(n)), std::move(n));
    std::sort(sorted.begin(), sorted.end(), [](const auto &a, const auto &b) {
        return QString::localeAwareCompare(a.first, b.first) < 0;
    });
    for (auto &[label, name] : sorted) {
        auto child = std::make_unique<Node>();
        child->path = Join(node->path, name);
        child->label = label;
        child->parent = node;
        child->row = static_cast<int>(node->children.size());
        node->children.push_back(std::move(child));
    }
}

QModelIndex TFolderTreeModel::index(int row, int column, const QModelIndex &parent) const
{
    if (column != 0 || row < 0)
        return {};
    if (!parent.isValid())
        return row < static_cast<int>(roots_.size()) ? createIndex(row, 0, roots_[row].get()) : QModelIndex();
    Node *p = NodeOf(parent);
    if (!p->listed || row >= static_cast<int>(p->children.size()))
        return {};
    return createIndex(row, 0, p->children[row].get());
}

QModelIndex TFolderTreeModel::parent(const QModelIndex &child) const
{
    Node *n = NodeOf(child);
    if (!n || !n->parent)
        return {};
    return createIndex(n->parent->row, 0, n->parent);
}

int TFolderTreeModel::rowCount(const QModelIndex &parent) const
{
    if (!parent.isValid())
        return static_cast<int>(roots_.size());
    Node *n = NodeOf(parent);
    return n->listed ? static_cast<int>(n->children.size()) : 0;
}

int TFolderTreeModel::columnCount(const QModelIndex &) const { return 1; }

QVariant TFolderTreeModel::data(const QModelIndex &index, int role) const
{
    Node *n = NodeOf(index);
    if (!n)
        return {};
    if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole) {
        if (!n->parent)
            return n->path == "/" ? QStringLiteral("/") : n->label;
        const int slash = n->label.lastIndexOf(QLatin1Char('/'));
        return n->label.mid(slash + 1);
    }
    if (role == Qt::ToolTipRole)
        return n->label;
    return {};
}

bool TFolderTreeModel::hasChildren(const QModelIndex &parent) const
{
    Node *n = NodeOf(parent);
    if (!n)
        return !roots_.empty();
    // Unlisted folders show an expander; listing happens on expand.
    return !n->listed || !n->children.empty();
}

bool TFolderTreeModel::canFetchMore(const QModelIndex &parent) const
{
    Node *n = NodeOf(parent);
    return n && !n->listed;
}

void TFolderTreeModel::fetchMore(const QModelIndex &parent)
{
    Node *n = NodeOf(parent);
    if (!n || n->listed)
        return;
    Node scratch;
    scratch.path = n->path;
    List(&scratch);
    if (scratch.children.empty()) {
        n->listed = true;
        return;
    }
    beginInsertRows(parent, 0, static_cast<int>(scratch.children.size()) - 1);
    n->children = std::move(scratch.children);
    for (auto &c : n->children)
        c->parent = n;
    n->listed = true;
    endInsertRows();
}

std::string TFolderTreeModel::PathOf(const QModelIndex &index) const
{
    Node *n = NodeOf(index);
    return n ? n->path : std::string();
}

QModelIndex TFolderTreeModel::IndexOfPath(const std::string &rawPath)
{
    if (rawPath.empty() || rawPath.front() != '/' || !DirectoryExists(rawPath))
        return {};
    std::string path = rawPath;
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    // The deepest root that contains the path (home before "/").
    Node *best = nullptr;
    for (auto &r : roots_) {
        const std::string &rp = r->path;
        const bool inside = rp == "/" || path == rp || path.rfind(rp + "/", 0) == 0;
        if (inside && (!best || rp.size() > best->path.size()))
            best = r.get();
    }
    if (!best)
        return {};
    Node *node = best;
    while (node->path != path) {
        const std::string rest = path.substr(node->path == "/" ? 1 : node->path.size() + 1);
        const std::string name = rest.substr(0, rest.find('/'));
        if (!node->listed)
            fetchMore(createIndex(node->row, 0, node));
        auto it = std::find_if(node->children.begin(), node->children.end(),
                               [&](const auto &c) { return c->path == Join(node->path, name); });
        if (it == node->children.end()) {
            // A hidden folder (or one that appeared since the listing): add it.
            const QModelIndex parentIndex = createIndex(node->row, 0, node);
            const int row = static_cast<int>(node->children.size());
            beginInsertRows(parentIndex, row, row);
            auto child = std::make_unique<Node>();
            child->path = Join(node->path, name);
            child->label = QFile::decodeName(QByteArray::fromStdString(child->path));
            child->parent = node;
            child->row = row;
            node->children.push_back(std::move(child));
            endInsertRows();
            it = node->children.end() - 1;
        }
        node = it->get();
    }
    return createIndex(node->row, 0, node);
}

void TFolderTreeModel::Refresh()
{
    beginResetModel();
    for (auto &r : roots_) {
        r->children.clear();
        r->listed = false;
    }
    endResetModel();
}

} // namespace quillo
