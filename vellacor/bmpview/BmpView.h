#pragma once

// The drawing editor's view: the handheld's white drawing area on grey with
// the picture at its top-left, scrolling when the picture is larger, and
// the editor's commands. The questions and messages it shows are virtual
// so that tests can answer them.

#include "DrawingPicture.h"

#include <QAbstractScrollArea>

class CBmpView : public QAbstractScrollArea {
    Q_OBJECT

public:
    // The picture's border inside the view.
    static constexpr int kBorder = 2;

    explicit CBmpView(QWidget *parent = nullptr);

    CDrawingPicture &Picture() { return m_Picture; }
    const CDrawingPicture &Picture() const { return m_Picture; }
    // Loads the item's drawing (the initial update).
    bool LoadItem(const COutlineItem &item);

    // Update rules of the commands.
    bool CanCopy() const { return m_Picture.HasPicture(); }
    bool CanPaste() const;
    bool CanDelete() const { return m_Picture.HasPicture(); }

    // Replaces the picture by an image file's; messages on failure. True
    // when the picture changed.
    bool OpenFile(const QString &path);
    // Replaces the picture by an image as pasted; an oversized one asks
    // first. True when the picture changed.
    bool PasteImage(const QImage &image);
    // Converts to a format choice; a failure says so and keeps the picture.
    bool ConvertTo(int format);

public slots:
    void OnEditCopy();
    void OnEditCut();
    void OnEditPaste();
    // New: the blank canvas, after asking when there is a picture.
    void OnFileNew();
    void OnFileOpen();
    // Asks, then removes the picture and asks the window to close.
    void OnFileDelete();

signals:
    // The picture or the clipboard changed: the commands' states follow.
    void PictureChanged();
    void CloseRequested();

protected:
    virtual bool Confirm(const QString &question);
    virtual int AskOversize();
    virtual void ShowError(const QString &text);
    virtual QString AskImageFile();

    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    void Changed();
    void UpdateScrollBars();

    CDrawingPicture m_Picture;
};
