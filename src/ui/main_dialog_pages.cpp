// Creating and arranging the main window's controls with their built-in captions.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStackedWidget>
#include <QTabBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/user_settings.h"
#include "ui/latin1.h"
#include "ui/main_dialog.h"

namespace farrow::ui {

namespace {

constexpr int kPageWidth = 600;
constexpr int kPageHeight = 420;
constexpr int kColumnWidth = 170;

// Every edit field holds a single-byte text, so it takes Latin-1 characters only.
QLineEdit* lineEdit(QWidget* parent, const QString& name) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    acceptLatin1Only(edit);
    return edit;
}

QLineEdit* readOnlyLine(QWidget* parent, const QString& name) {
    QLineEdit* edit = lineEdit(parent, name);
    edit->setReadOnly(true);
    edit->setFocusPolicy(Qt::NoFocus);
    edit->setAlignment(Qt::AlignCenter);
    return edit;
}

QLabel* label(const QString& text, QWidget* parent, const QString& name) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(name);
    return l;
}

QPushButton* button(const QString& text, QWidget* parent, const QString& name) {
    auto* b = new QPushButton(text, parent);
    b->setObjectName(name);
    return b;
}

QListWidget* siteList(QWidget* parent, const QString& name, bool multiple) {
    auto* list = new QListWidget(parent);
    list->setObjectName(name);
    list->setSelectionMode(multiple ? QAbstractItemView::ExtendedSelection
                                    : QAbstractItemView::SingleSelection);
    list->setUniformItemSizes(true);
    return list;
}

QWidget* page(const QString& name) {
    auto* p = new QWidget;
    p->setObjectName(name);
    return p;
}

}  // namespace

void MainDialog::buildControls() {
    tabBar_ = new QTabBar(this);
    tabBar_->setObjectName("pageTabs");
    tabBar_->setExpanding(false);
    tabBar_->setDrawBase(false);

    pages_ = new QStackedWidget(this);
    pages_->setObjectName("pages");
    for (QWidget* p :
         {buildStartPage(), buildSettingsPage(), buildContactPage(), buildSiteTextPage(),
          buildSelectionPage(), buildCategoryPage(), buildKeywordCheckPage()}) {
        pages_->addWidget(p);
    }
    auto* pageFrame = new QFrame(this);
    pageFrame->setFrameStyle(QFrame::StyledPanel | QFrame::Raised);
    auto* frameLayout = new QVBoxLayout(pageFrame);
    frameLayout->setContentsMargins(10, 10, 10, 10);
    frameLayout->addWidget(pages_);
    pages_->setFixedSize(kPageWidth, kPageHeight);

    auto* left = new QVBoxLayout;
    left->setSpacing(0);
    left->addWidget(tabBar_);
    left->addWidget(pageFrame);

    auto* top = new QHBoxLayout(this);
    top->setContentsMargins(10, 10, 10, 10);
    top->setSpacing(12);
    top->addLayout(left);
    top->addWidget(buildRightColumn());
    top->setSizeConstraint(QLayout::SetFixedSize);
}

QWidget* MainDialog::buildRightColumn() {
    auto* column = new QWidget(this);
    column->setObjectName("rightColumn");
    column->setFixedWidth(kColumnWidth);
    auto* layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);

    exitButton_ = button("Exit", column, "exitButton");
    exitButton_->setDefault(true);
    helpButton_ = button("&Help", column, "helpButton");
    layout->addWidget(exitButton_);
    layout->addWidget(helpButton_);

    actionsGroup_ = new QGroupBox("Actions", column);
    actionsGroup_->setObjectName("actionsGroup");
    deepCheck_ = new QCheckBox("Deep Submission", actionsGroup_);
    deepCheck_->setObjectName("deepCheck");
    optimizeCheck_ = new QCheckBox("Optimize", actionsGroup_);
    optimizeCheck_->setObjectName("optimizeCheck");
    batchButton_ = button("Batch Submission", actionsGroup_, "batchButton");
    auto* group = new QVBoxLayout(actionsGroup_);
    group->addWidget(deepCheck_);
    group->addWidget(optimizeCheck_);
    group->addWidget(batchButton_);
    layout->addSpacing(8);
    layout->addWidget(actionsGroup_);

    statusField_ = readOnlyLine(column, "statusField");
    layout->addSpacing(8);
    layout->addWidget(statusField_);
    layout->addStretch();

    // Linux window managers keep the title-bar menu to themselves, so the About entry lives
    // here and in the window's context menu.
    aboutAction_ = new QAction("About: ", this);
    aboutAction_->setObjectName("aboutAction");
    addAction(aboutAction_);
    setContextMenuPolicy(Qt::ActionsContextMenu);
    aboutButton_ = new QToolButton(column);
    aboutButton_->setObjectName("aboutButton");
    aboutButton_->setDefaultAction(aboutAction_);
    aboutButton_->setToolButtonStyle(Qt::ToolButtonTextOnly);
    aboutButton_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    layout->addWidget(aboutButton_);
    return column;
}

QWidget* MainDialog::buildStartPage() {
    QWidget* p = page("startPage");
    picture_ = label(QString(), p, "picture");
    picture_->setFixedSize(kPageWidth - 20, 250);
    picture_->setAlignment(Qt::AlignCenter);
    auto* layout = new QVBoxLayout(p);
    layout->addWidget(picture_, 0, Qt::AlignHCenter);
    const char* names[] = {"productLine", "versionLine", "dateLine", "vendorLineField",
                           "vendorNameLine"};
    for (std::size_t i = 0; i < startLines_.size(); ++i) {
        startLines_[i] = readOnlyLine(p, names[i]);
        startLines_[i]->setFixedWidth(360);
        layout->addWidget(startLines_[i], 0, Qt::AlignHCenter);
    }
    layout->addStretch();
    return p;
}

QWidget* MainDialog::buildSettingsPage() {
    QWidget* p = page("settingsPage");
    personalGroup_ = new QGroupBox("Personal Info", p);
    personalGroup_->setObjectName("personalGroup");
    auto* form = new QFormLayout(personalGroup_);
    const char* captions[] = {"First Name:", "Middle Name:", "Last Name:", "EMail Address:"};
    const char* names[] = {"userFirstName", "userMiddleName", "userLastName", "userEmail"};
    for (std::size_t i = 0; i < personalFields_.size(); ++i) {
        personalLabels_[i] = label(captions[i], personalGroup_, QString(names[i]) + "Label");
        personalFields_[i] = lineEdit(personalGroup_, names[i]);
        form->addRow(personalLabels_[i], personalFields_[i]);
    }

    browserGroup_ = new QGroupBox("Browser Choice", p);
    browserGroup_->setObjectName("browserGroup");
    browserList_ = new QComboBox(browserGroup_);
    browserList_->setObjectName("browserList");
    browserList_->setMinimumWidth(220);
    auto* browserLayout = new QHBoxLayout(browserGroup_);
    browserLayout->addWidget(browserList_);
    browserLayout->addStretch();

    saveSettingsButton_ = button("Save Settings", p, "saveSettingsButton");
    auto* layout = new QVBoxLayout(p);
    layout->addWidget(personalGroup_);
    layout->addWidget(browserGroup_);
    layout->addWidget(saveSettingsButton_, 0, Qt::AlignRight);
    layout->addStretch();
    return p;
}

QWidget* MainDialog::buildContactPage() {
    QWidget* p = page("contactPage");
    contactGroup_ = new QGroupBox("Contact Information", p);
    contactGroup_->setObjectName("contactGroup");
    auto* grid = new QGridLayout(contactGroup_);
    grid->setHorizontalSpacing(8);

    const char* captions[] = {"URL Address:",  "First Name",      "Last Name:",    "EMail Address:",
                              "Company Name:", "Street Address:", "City:",         "State:",
                              "Province:",     "Postal Code:",    "Phone Number:", "Fax Number:"};
    for (std::size_t i = 0; i < contactLabels_.size(); ++i) {
        contactLabels_[i] = label(captions[i], contactGroup_, QString("contactLabel%1").arg(i));
    }
    urlField_ = lineEdit(contactGroup_, "url");
    firstNameField_ = lineEdit(contactGroup_, "firstName");
    lastNameField_ = lineEdit(contactGroup_, "lastName");
    emailField_ = lineEdit(contactGroup_, "email");
    companyField_ = lineEdit(contactGroup_, "company");
    street1Field_ = lineEdit(contactGroup_, "street1");
    street2Field_ = lineEdit(contactGroup_, "street2");
    cityField_ = lineEdit(contactGroup_, "city");
    stateField_ = lineEdit(contactGroup_, "state");
    provinceField_ = lineEdit(contactGroup_, "province");
    postalCodeField_ = lineEdit(contactGroup_, "postalCode");
    phoneField_ = lineEdit(contactGroup_, "phone");
    faxField_ = lineEdit(contactGroup_, "fax");

    // Label and field pairs, two to a row; the address lines take the whole width.
    grid->addWidget(contactLabels_[0], 0, 0);
    grid->addWidget(urlField_, 0, 1, 1, 3);
    grid->addWidget(contactLabels_[1], 1, 0);
    grid->addWidget(firstNameField_, 1, 1);
    grid->addWidget(contactLabels_[2], 1, 2);
    grid->addWidget(lastNameField_, 1, 3);
    grid->addWidget(contactLabels_[3], 2, 0);
    grid->addWidget(emailField_, 2, 1, 1, 3);
    grid->addWidget(contactLabels_[4], 3, 0);
    grid->addWidget(companyField_, 3, 1, 1, 3);
    grid->addWidget(contactLabels_[5], 4, 0);
    grid->addWidget(street1Field_, 4, 1, 1, 3);
    grid->addWidget(street2Field_, 5, 1, 1, 3);
    grid->addWidget(contactLabels_[6], 6, 0);
    grid->addWidget(cityField_, 6, 1);
    grid->addWidget(contactLabels_[7], 6, 2);
    grid->addWidget(stateField_, 6, 3);
    grid->addWidget(contactLabels_[8], 7, 0);
    grid->addWidget(provinceField_, 7, 1);
    grid->addWidget(contactLabels_[9], 7, 2);
    grid->addWidget(postalCodeField_, 7, 3);
    grid->addWidget(contactLabels_[10], 8, 0);
    grid->addWidget(phoneField_, 8, 1);
    grid->addWidget(contactLabels_[11], 8, 2);
    grid->addWidget(faxField_, 8, 3);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);

    auto* layout = new QVBoxLayout(p);
    layout->addWidget(contactGroup_);
    layout->addStretch();
    return p;
}

QWidget* MainDialog::buildSiteTextPage() {
    QWidget* p = page("siteTextPage");
    titleLabel_ = label("Web Site Title:", p, "titleLabel");
    titleField_ = lineEdit(p, "title");
    descriptionField_ = new Latin1TextEdit(p);
    descriptionField_->setObjectName("description");
    descriptionField_->setTabChangesFocus(true);
    descriptionField_->setFixedHeight(72);
    auto* form = new QFormLayout;
    form->addRow(titleLabel_, titleField_);
    form->addRow(label("Description:", p, "descriptionLabel"), descriptionField_);

    keywordsGroup_ = new QGroupBox("Keywords:", p);
    keywordsGroup_->setObjectName("keywordsGroup");
    auto* grid = new QGridLayout(keywordsGroup_);
    for (std::size_t i = 0; i < keywordFields_.size(); ++i) {
        keywordFields_[i] = lineEdit(keywordsGroup_, QString("keyword%1").arg(i + 1));
        grid->addWidget(keywordFields_[i], static_cast<int>(i / 4), static_cast<int>(i % 4));
    }

    noteGroup_ = new QGroupBox("Note:", p);
    noteGroup_->setObjectName("noteGroup");
    noteText_ = label(
        "The keywords you enter should start with the most important in the uppermost left "
        "hand entry.  Then include other keywords that describe your site into the other entry "
        "fields with the least significant keyword in the lowermost right hand entry field.",
        noteGroup_, "noteText");
    noteText_->setWordWrap(true);
    auto* noteLayout = new QVBoxLayout(noteGroup_);
    noteLayout->addWidget(noteText_);

    auto* layout = new QVBoxLayout(p);
    layout->addLayout(form);
    layout->addWidget(keywordsGroup_);
    layout->addWidget(noteGroup_);
    layout->addStretch();
    return p;
}

QWidget* MainDialog::buildSelectionPage() {
    QWidget* p = page("selectionPage");
    availableList_ = siteList(p, "availableList", true);
    selectedList_ = siteList(p, "selectedList", true);
    addSelectedButton_ = button("   Add Selected", p, "addSelectedButton");
    addAllButton_ = button("Add All", p, "addAllButton");
    removeSelectedButton_ = button("Remove Selected", p, "removeSelectedButton");
    removeAllButton_ = button("Remove All", p, "removeAllButton");

    auto* buttons = new QVBoxLayout;
    buttons->addStretch();
    for (QPushButton* b :
         {addSelectedButton_, addAllButton_, removeSelectedButton_, removeAllButton_}) {
        b->setFixedWidth(130);
        buttons->addWidget(b);
        if (b == addAllButton_) {
            buttons->addSpacing(24);
        }
    }
    buttons->addStretch();

    auto* layout = new QHBoxLayout(p);
    layout->addWidget(availableList_, 1);
    layout->addLayout(buttons);
    layout->addWidget(selectedList_, 1);
    return p;
}

QWidget* MainDialog::buildCategoryPage() {
    QWidget* p = page("categoryPage");
    smartMatchCheck_ = new QCheckBox(
        "Check here to have the software \"SMART MATCH\" the categories based on your keywords.",
        p);
    smartMatchCheck_->setObjectName("smartMatchCheck");
    categorySitesList_ = siteList(p, "categorySitesList", false);
    categoriesList_ = siteList(p, "categoriesList", false);
    auto* lists = new QHBoxLayout;
    lists->addWidget(categorySitesList_, 1);
    lists->addWidget(categoriesList_, 1);

    adultText_ = label(
        "If your site contains material that is not suited for minors check the box to the right "
        "labelled \"ADULT\".",
        p, "adultText");
    adultText_->setWordWrap(true);
    adultCheck_ = new QCheckBox("ADULT", p);
    adultCheck_->setObjectName("adultCheck");
    auto* adult = new QHBoxLayout;
    adult->addWidget(adultText_, 1);
    adult->addSpacing(12);
    adult->addWidget(adultCheck_);

    buildGoButton_ = button("Build + GO!", p, "buildGoButton");
    saveProfileButton_ = button("Save Profile", p, "saveProfileButton");
    loadProfileButton_ = button("Load Profile", p, "loadProfileButton");
    auto* actions = new QHBoxLayout;
    for (QPushButton* b : {buildGoButton_, saveProfileButton_, loadProfileButton_}) {
        b->setMinimumWidth(120);
        actions->addWidget(b);
    }

    auto* layout = new QVBoxLayout(p);
    layout->addWidget(smartMatchCheck_);
    layout->addLayout(lists, 1);
    layout->addLayout(adult);
    layout->addLayout(actions);
    return p;
}

QWidget* MainDialog::buildKeywordCheckPage() {
    QWidget* p = page("keywordCheckPage");
    keywordCheckList_ = siteList(p, "keywordCheckList", false);
    keywordLabel_ = label("Keyword:", p, "keywordLabel");
    keywordField_ = lineEdit(p, "keywordField");
    checkButton_ = button("Check", p, "checkButton");
    auto* side = new QVBoxLayout;
    side->addWidget(keywordLabel_);
    side->addWidget(keywordField_);
    side->addWidget(checkButton_, 0, Qt::AlignLeft);
    side->addStretch();
    auto* layout = new QHBoxLayout(p);
    layout->addWidget(keywordCheckList_, 1);
    layout->addLayout(side, 1);
    return p;
}

}  // namespace farrow::ui
