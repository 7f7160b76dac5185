// Message popups, file and folder dialogs, printing.  In test mode nothing
// is shown: popups are recorded and dialogs answered from the test queues.
#include "rt_core.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QImage>
#include <QMessageBox>
#include <QPageLayout>
#include <QPainter>
#include <QPixmap>
#include <QPrintDialog>
#include <QPrinter>

#include "runtime_internal.h"
#include "testseam.h"

using namespace uirt;

namespace
{

struct PrintOptions {
    std::string outputFile;
    int orientation = VAL_LANDSCAPE;
    int scaleToPage = 1;
};

PrintOptions &printOptions()
{
    static PrintOptions o;
    return o;
}

QString fromC(const char *s)
{
    return s ? QString::fromUtf8(s) : QString();
}

// "*.asc;*.dat" -> "*.asc (*.asc)", "*.dat (*.dat)", "All files (*)".
QStringList filtersOf(const QString &typeList)
{
    QStringList filters;
    for (const QString &part : typeList.split(';', Qt::SkipEmptyParts)) {
        const QString t = part.trimmed();
        if (!t.isEmpty())
            filters << QString("%1 (%1)").arg(t);
    }
    filters << "All files (*)";
    return filters;
}

// Icons and type names by name and kind only.  The stock providers ask the
// MIME database, which reads a file's first bytes when its name says
// nothing; on a file whose read waits for data, such as /proc/kmsg, that
// read blocks the user interface for good.  Nothing here opens a file: the
// kind comes from the file's status alone.
class NameOnlyIconProvider : public QFileIconProvider
{
  public:
    NameOnlyIconProvider() { setOptions(QAbstractFileIconProvider::DontUseCustomDirectoryIcons); }

    QIcon icon(IconType type) const override { return QFileIconProvider::icon(type); }
    QIcon icon(const QFileInfo &info) const override
    {
        if (info.isRoot())
            return icon(Drive);
        if (info.isDir())
            return icon(Folder);
        return icon(File);
    }
    QString type(const QFileInfo &info) const override
    {
        if (info.isRoot())
            return QApplication::translate("QAbstractFileIconProvider", "Drive");
        if (info.isDir())
            return QApplication::translate("QAbstractFileIconProvider", "Folder");
        if (!info.isFile())
            return QApplication::translate("QAbstractFileIconProvider", "Special File");
        const QString suffix = info.suffix();
        if (suffix.isEmpty())
            return QApplication::translate("QAbstractFileIconProvider", "File");
        return QApplication::translate("QAbstractFileIconProvider", "%1 File").arg(suffix);
    }
};

NameOnlyIconProvider &nameOnlyIcons()
{
    static NameOnlyIconProvider provider;
    return provider;
}

// The runtime's own file dialog (never the desktop's, whose file chooser
// sniffs contents in ways no option turns off), with icons by name only.
void prepareDialog(QFileDialog *dlg)
{
    dlg->setOption(QFileDialog::DontUseNativeDialog, true);
    dlg->setOption(QFileDialog::DontUseCustomDirectoryIcons, true);
    dlg->setIconProvider(&nameOnlyIcons());
}

// The dialog of FileSelectPopup for these arguments, not yet shown.
QFileDialog *newFileDialog(const char *defaultDirectory, const char *defaultFileSpec, const char *fileTypeList,
                           const char *title, int buttonLabel, int restrictExtension, int allowMakeDirectory)
{
    auto *dlg = new QFileDialog(nullptr, fromC(title), fromC(defaultDirectory));
    prepareDialog(dlg);
    const bool save = buttonLabel == VAL_SAVE_BUTTON;
    dlg->setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dlg->setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    QStringList filters = filtersOf(fromC(fileTypeList));
    if (restrictExtension && filters.size() > 1)
        filters.removeLast();
    dlg->setNameFilters(filters);
    // A name typed without extension takes the first listed one.
    const QString first = filters.first();
    if (save && first.startsWith("*.") && !first.startsWith("*.*"))
        dlg->setDefaultSuffix(first.mid(2, first.indexOf(' ') - 2));
    const QString spec = fromC(defaultFileSpec);
    if (spec.contains('*')) {
        for (const QString &f : filters)
            if (f.startsWith(spec + " "))
                dlg->selectNameFilter(f);
    } else if (!spec.isEmpty()) {
        dlg->selectFile(spec);
    }
    if (!allowMakeDirectory)
        dlg->setOption(QFileDialog::ReadOnly, !save);
    return dlg;
}

// The dialog of DirSelectPopup, not yet shown.
QFileDialog *newDirDialog(const char *defaultDirectory, const char *title)
{
    auto *dlg = new QFileDialog(nullptr, fromC(title), fromC(defaultDirectory));
    prepareDialog(dlg);
    dlg->setAcceptMode(QFileDialog::AcceptOpen);
    dlg->setFileMode(QFileDialog::Directory);
    dlg->setOption(QFileDialog::ShowDirsOnly, true);
    return dlg;
}

// Copies a chosen path out; a path too long for the caller's buffer is
// refused rather than cut into another path.
bool pathOut(const QString &path, char *out)
{
    const std::string s = QDir::fromNativeSeparators(path).toStdString();
    if (s.size() >= 1024) {
        out[0] = '\0';
        return false;
    }
    copyOut(s, out, 1024);
    return true;
}

} // namespace

int MessagePopup(const char *title, const char *message)
{
    const QString t = fromC(title), m = fromC(message);
    if (testMode()) {
        recordShown((t + "|" + m).toStdString());
        return 0;
    }
    if (!initialised())
        return UIE_NOT_INITIALISED;
    QMessageBox box(QMessageBox::Information, t, m, QMessageBox::Ok);
    box.exec();
    return 0;
}

int FileSelectPopup(const char *defaultDirectory, const char *defaultFileSpec, const char *fileTypeList,
                    const char *title, int buttonLabel, int restrictDirectory, int restrictExtension,
                    int allowCancel, int allowMakeDirectory, char *pathName)
{
    (void)restrictDirectory;
    (void)allowCancel;
    if (!pathName)
        return UIE_BAD_VALUE;
    pathName[0] = '\0';
    QString chosen;
    if (testMode()) {
        recordShown(("file|" + fromC(title)).toStdString());
        std::string answer;
        if (!takeFileAnswer(&answer) || answer.empty())
            return VAL_NO_FILE_SELECTED;
        chosen = QString::fromStdString(answer);
    } else {
        if (!initialised())
            return UIE_NOT_INITIALISED;
        std::unique_ptr<QFileDialog> dlg(newFileDialog(defaultDirectory, defaultFileSpec, fileTypeList, title,
                                                       buttonLabel, restrictExtension, allowMakeDirectory));
        if (dlg->exec() != QDialog::Accepted || dlg->selectedFiles().isEmpty())
            return VAL_NO_FILE_SELECTED;
        chosen = dlg->selectedFiles().first();
    }
    if (!pathOut(chosen, pathName))
        return VAL_NO_FILE_SELECTED;
    return QFileInfo::exists(chosen) ? VAL_EXISTING_FILE_SELECTED : VAL_NEW_FILE_SELECTED;
}

int DirSelectPopup(const char *defaultDirectory, const char *title, int allowCancel, int allowMakeDirectory,
                   char *pathName)
{
    (void)allowCancel;
    (void)allowMakeDirectory;
    if (!pathName)
        return UIE_BAD_VALUE;
    pathName[0] = '\0';
    QString chosen;
    if (testMode()) {
        recordShown(("dir|" + fromC(title)).toStdString());
        std::string answer;
        if (!takeDirAnswer(&answer) || answer.empty())
            return VAL_NO_FILE_SELECTED;
        chosen = QString::fromStdString(answer);
    } else {
        if (!initialised())
            return UIE_NOT_INITIALISED;
        std::unique_ptr<QFileDialog> dlg(newDirDialog(defaultDirectory, title));
        if (dlg->exec() != QDialog::Accepted || dlg->selectedFiles().isEmpty())
            return VAL_NO_FILE_SELECTED;
        chosen = dlg->selectedFiles().first();
        if (chosen.isEmpty())
            return VAL_NO_FILE_SELECTED;
    }
    if (!pathOut(chosen, pathName))
        return VAL_NO_FILE_SELECTED;
    return VAL_DIRECTORY_SELECTED;
}

QFileDialog *testseam::NewFileDialog(const char *defaultDirectory, const char *defaultFileSpec,
                                     const char *fileTypeList, const char *title, int buttonLabel,
                                     int restrictExtension, int allowMakeDirectory)
{
    return newFileDialog(defaultDirectory, defaultFileSpec, fileTypeList, title, buttonLabel, restrictExtension,
                         allowMakeDirectory);
}

QFileDialog *testseam::NewDirDialog(const char *defaultDirectory, const char *title)
{
    return newDirDialog(defaultDirectory, title);
}

// ------------------------------------------------------------------ printing

int SetPrintAttribute(int attribute, int value)
{
    switch (attribute) {
    case ATTR_PRINT_ORIENTATION:
        if (value != VAL_PORTRAIT && value != VAL_LANDSCAPE)
            return UIE_BAD_VALUE;
        printOptions().orientation = value;
        return 0;
    case ATTR_PRINT_SCALE_TO_PAGE:
        printOptions().scaleToPage = value ? 1 : 0;
        return 0;
    case ATTR_PRINT_OUTPUT_FILE:
        return UIE_BAD_TYPE;
    default:
        return UIE_BAD_ATTRIBUTE;
    }
}

int SetPrintAttribute(int attribute, const char *value)
{
    if (attribute != ATTR_PRINT_OUTPUT_FILE)
        return attribute == ATTR_PRINT_ORIENTATION || attribute == ATTR_PRINT_SCALE_TO_PAGE
                   ? UIE_BAD_TYPE
                   : UIE_BAD_ATTRIBUTE;
    printOptions().outputFile = value ? value : "";
    return 0;
}

int SetPrintAttributeEx(int attribute, int value) { return SetPrintAttribute(attribute, value); }

int SetPrintAttributeEx(int attribute, const char *value) { return SetPrintAttribute(attribute, value); }

int PrintPanel(int panelHandle, const char *fileName, int scaling, int area, int interactive)
{
    (void)area;
    Panel *p = panel(panelHandle);
    if (!p || !p->content)
        return UIE_BAD_PANEL;
    std::string target = fileName ? fileName : "";
    if (target.empty())
        target = printOptions().outputFile;

    QPrinter printer(QPrinter::HighResolution);
    printer.setPageOrientation(printOptions().orientation == VAL_PORTRAIT ? QPageLayout::Portrait
                                                                          : QPageLayout::Landscape);
    if (!target.empty()) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QString::fromStdString(target));
    }
    if (interactive) {
        if (testMode()) {
            recordShown("print|");
            bool print = false;
            if (!takePrintAnswer(&print) || !print)
                return 1;
        } else {
            QPrintDialog dlg(&printer);
            if (dlg.exec() != QDialog::Accepted)
                return 1;
        }
    }
    // In test mode nothing reaches a real printer: the panel is rendered
    // into memory only.
    const QPixmap image = p->content->grab();
    if (image.isNull())
        return UIE_IO_ERROR;
    if (testMode() && target.empty() && printer.outputFormat() != QPrinter::PdfFormat)
        return 0;

    QPainter painter;
    if (!painter.begin(&printer))
        return UIE_IO_ERROR;
    const QRect page = painter.viewport();
    QSize size = image.size();
    if (scaling || printOptions().scaleToPage || size.width() > page.width() || size.height() > page.height())
        size.scale(page.size(), Qt::KeepAspectRatio);
    painter.drawPixmap(QRect(QPoint(0, 0), size), image);
    if (!painter.end())
        return UIE_IO_ERROR;
    if (printer.outputFormat() == QPrinter::PdfFormat && !QFileInfo::exists(printer.outputFileName()))
        return UIE_IO_ERROR;
    return 0;
}
