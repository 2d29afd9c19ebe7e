// The tool message panel under the documents, and the small dialog shown while a tool runs.
#pragma once

#include <QDialog>
#include <QListWidget>
#include <QWidget>

#include <functional>
#include <string>
#include <vector>

class QLabel;
class QToolButton;

// The list of a tool's messages: Enter, Space and a double click follow the current line;
// letters typed here are ignored (they do not search the list).
class TToolMessageList : public QListWidget {
    Q_OBJECT
public:
    explicit TToolMessageList(QWidget* parent = nullptr);
    // Follows a line; `keepFocus` is true for Space.
    std::function<void(bool keepFocus)> onFollow;

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void keyboardSearch(const QString&) override {}
};

class TToolMessages : public QWidget {
    Q_OBJECT
public:
    explicit TToolMessages(QWidget* parent = nullptr);
    // Shows the lines (8-bit text, taken as UTF-8 where it is that) with the first selected.
    void SetLines(const std::vector<std::string>& lines);
    std::vector<std::string> Lines() const { return lines_; }
    // The selected line's text as the tool wrote it; empty without one.
    std::string CurrentLine() const;
    TToolMessageList& List() { return *list_; }
    QToolButton& CloseButton() { return *close_; }
    void SetTitle(const QString& title);

private:
    TToolMessageList* list_;
    QLabel* title_;
    QToolButton* close_;
    std::vector<std::string> lines_;
};

// "Running <program>..." with Cancel.
class TToolRunDialog : public QDialog {
    Q_OBJECT
public:
    TToolRunDialog(QWidget* parent, const QString& program);
    bool CancelAsked() const { return cancelAsked_; }
    std::function<void()> onCancel;

protected:
    void reject() override;

private:
    bool cancelAsked_ = false;
};
