#include "app/window/window_dialogs.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace lumek {

void QtWindowDialogs::message(const QString& title, const QString& text, MessageIcon icon) {
    QMessageBox box(
        icon == MessageIcon::Critical ? QMessageBox::Critical : QMessageBox::Information,
        title.isEmpty() ? kAppTitle : title, text, QMessageBox::Ok, owner_);
    box.exec();
}

bool QtWindowDialogs::askYesNo(const QString& title, const QString& text) {
    QMessageBox box(QMessageBox::Question, title, text, QMessageBox::Yes | QMessageBox::No, owner_);
    box.button(QMessageBox::Yes)->setText(QStringLiteral("예"));
    box.button(QMessageBox::No)->setText(QStringLiteral("아니오"));
    box.setDefaultButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}

QString QtWindowDialogs::askFolder(const QString& title, const QString& startFolder) {
    const QString folder = QFileDialog::getExistingDirectory(owner_, title, startFolder);
    if (folder.isEmpty()) {
        return {};
    }
    return folder.endsWith(u'/') ? folder : folder + u'/';
}

QString QtWindowDialogs::askSaveFile(const QString& title, const QString& startPath,
                                     const QString& filter) {
    // The dialog asks before overwriting by default.
    return QFileDialog::getSaveFileName(owner_, title, startPath, filter).trimmed();
}

QStringList QtWindowDialogs::askOpenFiles(const QString& title, const QString& startFolder,
                                          const QString& filter) {
    return QFileDialog::getOpenFileNames(owner_, title, startFolder, filter);
}

int QtWindowDialogs::chooseCompressor(const QStringList& codecs, int suggested) {
    QDialog dialog(owner_);
    dialog.setWindowTitle(QStringLiteral("비디오 압축"));
    auto* list = new QListWidget(&dialog);
    list->setObjectName(QStringLiteral("codecs"));
    list->setAccessibleName(QStringLiteral("압축 프로그램"));
    list->addItems(codecs);
    list->setCurrentRow(suggested);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("확인"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("취소"));
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    QObject::connect(list, &QListWidget::itemDoubleClicked, &dialog, &QDialog::accept);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(new QLabel(QStringLiteral("압축 프로그램:"), &dialog));
    layout->addWidget(list);
    layout->addWidget(buttons);
    if (dialog.exec() != QDialog::Accepted) {
        return -1;
    }
    return list->currentRow();
}

}  // namespace lumek
