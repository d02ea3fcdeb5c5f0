#include "app/CMainView.h"

#include "app/CKinetraDoc.h"
#include "imaging/CFlcPlayer.h"
#include "ui/CMainFrame.h"

#include <QHBoxLayout>

namespace {

// The picture keeps the size of the screen's back buffer.
constexpr int kPictureSize = 240;
constexpr int kFormMargin = 8;

} // namespace

CMainView::CMainView(CKinetraDoc* document, QWidget* parent) : QWidget(parent), m_pDocument(document)
{
    m_pPictureArea = new QWidget(this);
    m_pPictureArea->setFixedSize(kPictureSize, kPictureSize);
    m_wndPlayer = new CFlcPlayer(m_pPictureArea);
    m_wndPlayer->move(0, 0);
    connect(m_wndPlayer, &CFlcPlayer::stateChanged, this, &CMainView::stateChanged);

    auto* form = new QHBoxLayout(this);
    form->setContentsMargins(kFormMargin, kFormMargin, kFormMargin, kFormMargin);
    form->addWidget(m_pPictureArea, 0, Qt::AlignLeft | Qt::AlignTop);
}

CMainView::~CMainView() = default;

void CMainView::OnInitialUpdate()
{
    if (!m_bInitialized) {
        m_bInitialized = true;
        if (auto* frame = qobject_cast<CMainFrame*>(window()))
            frame->SetMinTrackSize(sizeHint().width(), sizeHint().height());
        m_wndPlayer->Initialize();
    } else {
        m_wndPlayer->Unload();
    }

    if (m_pDocument && !m_pDocument->GetPathName().isEmpty())
        m_wndPlayer->Load(m_pDocument->GetPathName());

    UpdateControls();
    emit stateChanged();
}

void CMainView::UpdateControls()
{
    // The form's controls join the picture with playback; until then the
    // picture is all there is to update.
}
