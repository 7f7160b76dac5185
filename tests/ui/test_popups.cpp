// Popups and dialogs answered from the test queues; printing to PDF.
#include "test_runtime_support.h"

#include <QAbstractFileIconProvider>
#include <QFileDialog>
#include <QFileInfo>
#include <QIcon>
#include <QImage>
#include <QPixmap>

#include <fstream>
#include <memory>

class PopupsTest : public RuntimeTest
{
};

TEST_F(PopupsTest, MessagePopupsAreRecorded)
{
    EXPECT_EQ(MessagePopup("Error message", "Saving File impossible"), 0);
    EXPECT_EQ(MessagePopup(nullptr, nullptr), 0);
    ASSERT_EQ(testseam::Shown().size(), 2u);
    EXPECT_EQ(testseam::Shown()[0], "Error message|Saving File impossible");
    EXPECT_EQ(testseam::Shown()[1], "|");
    EXPECT_EQ(testseam::Failures(), 0);
}

TEST_F(PopupsTest, FileDialogsTakeQueuedAnswers)
{
    TempFolder dir;
    const std::string existing = dir.write("setup.ini", "x");
    testseam::QueueFileAnswer(existing);
    testseam::QueueFileAnswer(dir.file("new.ini"));
    testseam::QueueFileAnswer("");
    char path[1024];
    EXPECT_EQ(FileSelectPopup("", "*.ini", "*.ini", "Load Setup", VAL_LOAD_BUTTON, 0, 0, 1, 0, path),
              VAL_EXISTING_FILE_SELECTED);
    EXPECT_EQ(std::string(path), existing);
    EXPECT_EQ(FileSelectPopup("", "*.ini", "*.ini", "Save Setup", VAL_SAVE_BUTTON, 0, 0, 1, 1, path),
              VAL_NEW_FILE_SELECTED);
    EXPECT_EQ(std::string(path), dir.file("new.ini"));
    EXPECT_EQ(
        FileSelectPopup("", "*.asc", "*.asc;*.dat;*.awg", "CH1, Save As", VAL_SAVE_BUTTON, 0, 0, 1, 1, path),
        VAL_NO_FILE_SELECTED)
        << "an empty answer cancels";
    EXPECT_STREQ(path, "");
    EXPECT_EQ(testseam::Failures(), 0);
    // Nothing queued: the dialog counts a failure and acts as cancelled, without blocking.
    EXPECT_EQ(FileSelectPopup("", "*.ini", "*.ini", "Again", VAL_LOAD_BUTTON, 0, 0, 1, 0, path), 0);
    EXPECT_EQ(testseam::Failures(), 1);
    ASSERT_EQ(testseam::Shown().size(), 4u);
    EXPECT_EQ(testseam::Shown()[0], "file|Load Setup");
    EXPECT_EQ(testseam::Shown()[2], "file|CH1, Save As");
    // A path too long for the caller's buffer is not cut into another path.
    testseam::QueueFileAnswer("/tmp/" + std::string(2000, 'p'));
    EXPECT_EQ(FileSelectPopup("", "*.ini", "*.ini", "Long", VAL_SAVE_BUTTON, 0, 0, 1, 0, path), 0);
    EXPECT_STREQ(path, "");
    testseam::Reset();
}

TEST_F(PopupsTest, DirectoryDialog)
{
    TempFolder dir;
    testseam::QueueDirAnswer(dir.path());
    char path[1024];
    EXPECT_EQ(DirSelectPopup("", "Autosave folder", 1, 1, path), VAL_DIRECTORY_SELECTED);
    EXPECT_EQ(std::string(path), dir.path());
    EXPECT_EQ(DirSelectPopup("", "Autosave folder", 1, 1, path), VAL_NO_FILE_SELECTED);
    EXPECT_EQ(testseam::Failures(), 1);
    EXPECT_EQ(testseam::Shown()[0], "dir|Autosave folder");
    testseam::Reset();
}

TEST_F(PopupsTest, PrintPanelWritesAPdf)
{
    TempFolder dir;
    const int scope = Load(0, SCOPE);
    const std::string pdf = dir.file("scope.pdf");
    EXPECT_EQ(PrintPanel(scope, pdf.c_str(), 1, VAL_FULL_PANEL, 0), 0);
    std::ifstream in(pdf, std::ios::binary);
    char head[5] = {0};
    in.read(head, 4);
    EXPECT_EQ(std::string(head), "%PDF");

    // Through the print-output attribute, with the dialog answered.
    const std::string pdf2 = dir.file("second.pdf");
    ASSERT_EQ(SetPrintAttribute(ATTR_PRINT_OUTPUT_FILE, pdf2.c_str()), 0);
    testseam::QueuePrintAnswer(true);
    EXPECT_EQ(PrintPanel(scope, "", 1, VAL_FULL_PANEL, 1), 0);
    EXPECT_TRUE(std::ifstream(pdf2).good());
    // Cancelled in the dialog: 1, and nothing written.
    const std::string pdf3 = dir.file("third.pdf");
    testseam::QueuePrintAnswer(false);
    EXPECT_EQ(PrintPanel(scope, pdf3.c_str(), 1, VAL_FULL_PANEL, 1), 1);
    EXPECT_FALSE(std::ifstream(pdf3).good());
    // No queued answer: a failure, treated as cancelled.
    EXPECT_EQ(PrintPanel(scope, pdf3.c_str(), 1, VAL_FULL_PANEL, 1), 1);
    EXPECT_EQ(testseam::Failures(), 1);
    EXPECT_EQ(testseam::Shown().back(), "print|");
    SetPrintAttribute(ATTR_PRINT_OUTPUT_FILE, "");
    // Errors.
    EXPECT_EQ(PrintPanel(scope, dir.file("no/such/folder/x.pdf").c_str(), 1, VAL_FULL_PANEL, 0),
              UIE_IO_ERROR);
    EXPECT_EQ(PrintPanel(9999, pdf.c_str(), 1, VAL_FULL_PANEL, 0), UIE_BAD_PANEL);
    EXPECT_EQ(SetPrintAttribute(ATTR_PRINT_ORIENTATION, 5), UIE_BAD_VALUE);
    EXPECT_EQ(SetPrintAttribute(ATTR_PRINT_ORIENTATION, VAL_PORTRAIT), 0);
    SetPrintAttribute(ATTR_PRINT_ORIENTATION, VAL_LANDSCAPE);
    testseam::Reset();
}

// The dialogs must never read a file to pick its icon or type name: on a
// file of /proc such a read blocks the user interface for good.  Two files
// with one name ending but different contents must look the same.
TEST_F(PopupsTest, FileDialogsGoByNameAndKindOnly)
{
    TempFolder dir;
    const QFileInfo pdf(QString::fromStdString(dir.write("report.korvaxq", "%PDF-1.4\n%\xE2\xE3\xCF\xD3\n")));
    const QFileInfo png(
        QString::fromStdString(dir.write("picture.korvaxq", std::string("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16))));
    const QFileInfo text(QString::fromStdString(dir.write("words.korvaxq", "plain words\n")));
    const QFileInfo folder(QString::fromStdString(dir.path()));

    std::unique_ptr<QFileDialog> dialogs[] = {
        std::unique_ptr<QFileDialog>(testseam::NewFileDialog("", "*.asc", "*.asc;*.dat;*.awg", "CH1, Save As",
                                                             VAL_SAVE_BUTTON, 0, 1)),
        std::unique_ptr<QFileDialog>(
            testseam::NewFileDialog("", "*.ini", "*.ini", "Select Setup File", VAL_LOAD_BUTTON, 1, 1)),
        std::unique_ptr<QFileDialog>(testseam::NewDirDialog("", "Select Directory")),
    };
    for (const auto &dlg : dialogs) {
        SCOPED_TRACE(dlg->windowTitle().toStdString());
        // The runtime's own dialog: the desktop's file chooser has its own
        // ways of looking into files.
        EXPECT_TRUE(dlg->testOption(QFileDialog::DontUseNativeDialog));
        EXPECT_TRUE(dlg->testOption(QFileDialog::DontUseCustomDirectoryIcons));
        const QAbstractFileIconProvider *icons = dlg->iconProvider();
        ASSERT_NE(icons, nullptr);
        EXPECT_TRUE(icons->options().testFlag(QAbstractFileIconProvider::DontUseCustomDirectoryIcons));
        const QString type = icons->type(text);
        EXPECT_FALSE(type.isEmpty());
        EXPECT_EQ(icons->type(pdf).toStdString(), type.toStdString()) << "the contents were read";
        EXPECT_EQ(icons->type(png).toStdString(), type.toStdString()) << "the contents were read";
        EXPECT_NE(icons->type(folder).toStdString(), type.toStdString());
        EXPECT_EQ(icons->icon(pdf).pixmap(16).toImage(), icons->icon(text).pixmap(16).toImage());
    }
    EXPECT_EQ(testseam::Failures(), 0);
}
