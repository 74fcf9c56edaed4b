// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The folder tree: folders only, listed lazily. Its top level holds the user's
// home folder and the file-system root. Paths are byte strings, so folders whose
// names are not valid UTF-8 can still be opened.
#include <QAbstractItemModel>

#include <memory>
#include <string>
#include <vector>

namespace quillo {

class TFolderTreeModel : public QAbstractItemModel {
    Q_OBJECT
public:
    explicit TFolderTreeModel(QObject *parent = nullptr);
    ~TFolderTreeModel() override;

    QModelIndex index(int row, int column, const QModelIndex &parent = {}) const override;
    QModelIndex parent(const QModelIndex &child) const override;
    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool hasChildren(const QModelIndex &parent = {}) const override;
    bool canFetchMore(const QModelIndex &parent) const override;
    void fetchMore(const QModelIndex &parent) override;

    // Full path of a node ("/" ends only the root); empty for an invalid index.
    std::string PathOf(const QModelIndex &index) const;
    // The node of an existing folder, listing the folders on the way; invalid when
    // the folder does not exist.
    QModelIndex IndexOfPath(const std::string &path);
    // Forgets the listed children of every node (a later expand lists them anew).
    void Refresh();

    // Top-level folders; tests point them elsewhere.
    void SetRoots(const std::vector<std::string> &roots);

private:
    struct Node;
    Node *NodeOf(const QModelIndex &index) const;
    void List(Node *node) const;

    std::vector<std::unique_ptr<Node>> roots_;
};

} // namespace quillo
