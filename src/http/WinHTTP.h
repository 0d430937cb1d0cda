#pragma once
#include "http/CustomWinHTTP.h"

namespace mediaconv::http {

// The transfer component with its properties and events published.
class TWinHTTP : public TCustomWinHTTP {
 public:
  using TWinHTTPProperties::AcceptTypes;
  using TWinHTTPProperties::AddHeaders;
  using TWinHTTPProperties::Agent;
  using TWinHTTPProperties::CacheOptions;
  using TWinHTTPProperties::InternetOptions;
  using TWinHTTPProperties::Limits;
  using TWinHTTPProperties::OutputFileAttributes;
  using TWinHTTPProperties::OutputFileName;
  using TWinHTTPProperties::Password;
  using TWinHTTPProperties::POSTData;
  using TWinHTTPProperties::Proxy;
  using TWinHTTPProperties::Range;
  using TWinHTTPProperties::Referer;
  using TWinHTTPProperties::RequestMethod;
  using TWinHTTPProperties::ShowGoOnlineMessage;
  using TWinHTTPProperties::Timeouts;
  using TWinHTTPProperties::TransferBufferSize;
  using TWinHTTPProperties::URL;
  using TWinHTTPProperties::Username;
  using TWinHTTPProperties::WorkOffline;

  using TWinHTTPEvents::OnAborted;
  using TWinHTTPEvents::OnAnyError;
  using TWinHTTPEvents::OnBeforeSendRequest;
  using TWinHTTPEvents::OnConnLost;
  using TWinHTTPEvents::OnDone;
  using TWinHTTPEvents::OnDoneInterrupted;
  using TWinHTTPEvents::OnHeaderInfo;
  using TWinHTTPEvents::OnHostUnreachable;
  using TWinHTTPEvents::OnHTTPError;
  using TWinHTTPEvents::OnOutputFileError;
  using TWinHTTPEvents::OnPasswordRequest;
  using TWinHTTPEvents::OnProgress;
  using TWinHTTPEvents::OnProxyAuthenticationRequest;
  using TWinHTTPEvents::OnRedirected;
  using TWinHTTPEvents::OnStatus;
};

}  // namespace mediaconv::http
