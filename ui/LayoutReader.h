#pragma once
// Reading a form's layout: a text resource that lists the form's properties and
// its child components, each with its own properties, in the order they are
// applied. The format, one item a line ("#" starts a comment):
//
//   form MainForm1: TMainForm1
//     Caption = "ミロカテ！"            a text (UTF-8 in the file, "" for a quote)
//     ClientWidth = 600                 a whole number
//     BorderStyle = bsToolWindow        a name: enumeration, colour, True/False, handler
//     Anchors = []                      a set of names
//     child Image2: TImage              a component, made as it is met
//       Left = 5
//     end
//   end

#include <functional>
#include <string>
#include <vector>

#include "ui/Component.h"
#include "ui/Events.h"

class TCustomForm;

// Parses the layout text and applies it to the form: components are created and
// properties set in stored order. Failures raise EReadError; a failing property
// is reported as "<component>.<property> の読み込み中のエラー : <message>".
// Returns the components it made, in the order they were made.
std::vector<TComponent*> ApplyLayout(const std::string& layout, TCustomForm& form,
                                     const std::function<TNotifyEvent(const std::string&)>& findHandler);

// The layout resource of a form class (RCDATA named after the class), or
// EResNotFound "<class> リソースが見つかりません".
std::string LoadLayoutResource(const std::string& className);
