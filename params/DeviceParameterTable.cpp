// SPDX-License-Identifier: MIT
#include "DeviceParameterTable.h"

#include <cmath>
#include <iterator>
#include <limits>

namespace zrq7::params {

namespace {

using enum ParameterKind;

struct TableRow
{
    int group; // index into kGroupTitles
    DeviceParameter parameter;
};

// Registers present only for firmware version kFilterCoefficientsVersion.
constexpr std::uint16_t kFilterTempS1 = 243;
constexpr std::uint16_t kFilterTempS2 = 244;
// Register 230 mirrors the firmware version: its factory value and both bounds are
// filled in when the table is built, so the operator cannot change it.
constexpr std::uint16_t kVersionRegister = 230;
constexpr int kVersionPlaceholder = 0;

// Shared by every protection's "Zezwolenie na pracę" row.
constexpr std::string_view kProtectionModeHelp =
    "0-zakaz pracy zabezpieczenia\r\n"
    "1- zezwolenie na pracę zabezpieczenia, zakaz SPZ po zadziałaniu;\r\n"
    "2- zezwolenie na pracę zabezpieczenia, zezwolenie na SPZ po zadziałaniu.";

// Texts are UTF-8 and shown exactly as written. Letters that only look Latin are written
// as escapes so that no editor or reader "fixes" them: \u0421 is the Cyrillic capital Es
// after the degree sign, \u0410 the Cyrillic capital A of the milliampere unit, \u043A the
// Cyrillic small ka of the kiloohm values in two help texts. The Greek capital Omega and
// the en dash stand as themselves.
constexpr std::string_view kGroupTitles[] = {
    "Ustawianie trybów",
    "Zabezpieczenie nadprądowe",
    "Zabezpieczenie ziemnozwarciowe (oparte o pomiar zerowej składowej prądu Earth i0)",
    "Zabezpieczenie przed niezrównoważeniem składowej przeciwnej prądu",
    "Analiza przyczyn zadziałania zabezpieczenia przed niezrównoważeniem składowej przeciwnej prądu",
    "Przeciążenie termiczne (model cieplny silnika)",
    "Minimalny prąd fazowy",
    "Wydłużony rozruch, zablokowanie wirnika",
    "Zabezpieczenie napięciowe",
    "Zanikiem fazy (faz) silnika z kontrolą prądu",
    "Zabezpieczenia częstotliwościowe",
    "Sterowanie silnika i SPZ",
    "Kontrola temperatury",
    "Rezystancja izolacji silnika",
    "Różne",
    "Parametry interfejsu szeregowego (RS-485/ RS-232)",
    "Sterowanie za pomocą wejścia analogowego 0-20 mA",
    "Sterowanie za pomocą wejścia analogowego 0-10 V",
    "Kontrola sprawności zewnętrznego stycznika",
    "Kasowanie liczników energii",
};

constexpr TableRow kRows[] = {
    // Ustawianie trybów
    {0, {150, "CT nom i : Prąd znamionowy PP [A]", "Dla PP zewnętrznego", Integer, 100, 20, 800}},
    {0,
     {151, "Rated Inom : Prąd znamionowy silnika [A]",
      "0-prąd nie ustawiony (ZRQ nie włączy przekaźnika obciążenia);", Integer, 0, 0, 630}},
    {0, {152, "CT out i : Znamionowy prąd wyjściowy stosowanego PP [A]", "", Integer, 5, 1, 5}},
    {0,
     {153, "Tm average i : Okres, za który mierzona jest średnia wartość prądu [s]",
      "Okres, za który mierzona jest średnia wartość prądu", Integer, 60, 10, 600}},

    // Zabezpieczenie nadprądowe
    {1,
     {154, "Type Imax : Typ zabezpieczenia nadprądowego",
      "0-zabezpieczenie zwłoczne niezależne.\r\n"
      "Typy zabezpieczeń zwłocznych zależnych:\r\n"
      "1-SIT; 2-VIT (LTI); 3-EIT; 4-UIT; 5-RI.",
      Integer, 0, 0, 5}},
    {1,
     {155, "Imax coef : Nastawa zadziałania zabezpieczenia nadprądowego, krotność",
      "Krotność jest zadawana w odniesieniu do prądu znamionowego silnika (działa przy Type Imax = "
      "indep).",
      Tenths, 4.0f, 8, 90}},
    {1,
     {156, "Imax delay : Opóźnienie zadziałania zabezpieczenia prądowego [s]", "", Tenths, 10.0f, 3, 6000}},
    {1, {157, "Imax protec : Zezwolenie na pracę zabezpieczenia", kProtectionModeHelp, Integer, 2, 0, 2}},
    {1,
     {158, "Imax <> T : Kolejność zadziałania zabezpieczenia w odniesieniu do zabezpieczenia termicznego",
      "0-zabezpieczenie działa niezależnie od zabezpieczenia termicznego;\r\n"
      "1-gdy przeciążenie termiczne nie nastąpi, przekroczenie prądu jest sygnalizowane, ale "
      "przekaźnik obciążenia nie wyłącza się.",
      Integer, 1, 0, 1}},

    // Zabezpieczenie ziemnozwarciowe (oparte o pomiar zerowej składowej prądu Earth i0)
    {2,
     {159, "I earth tresh : Nastawa zadziałania w przypadku zmiany prądu [A]",
      "Jeżeli parametr nie jest dołączony do listy TMLPP, domyślna wartość wynosi:\r\n"
      "0,5 przy In<=50A;\r\n"
      "1,0 przy In>50A",
      Tenths, 0.5f, 3, 100}},
    {2, {160, "I earth delay : Opóźnienie zadziałania zabezpieczenia [s]", "", Tenths, 1.0f, 3, 20}},
    {2, {161, "I earth protec : Zezwolenie na pracę zabezpieczenia", kProtectionModeHelp, Integer, 2, 0, 2}},

    // Zabezpieczenie przed niezrównoważeniem składowej przeciwnej prądu
    {3,
     {162, "I2 rev tresh : Nastawa zadziałania [%]", "Zadawana w % od prądu znamionowego", Integer, 10, 5,
      20}},
    {3, {163, "I2 rev delay : Opóźnienie zadziałania zabezpieczenia [s]", "", Tenths, 5.0f, 3, 100}},
    {3, {164, "I2 rev protec : Zezwolenie na pracę zabezpieczenia", kProtectionModeHelp, Integer, 2, 0, 2}},

    // Analiza przyczyn zadziałania zabezpieczenia przed niezrównoważeniem składowej przeciwnej prądu
    {4,
     {165, "A-s I2 coef : Krotność przekroczenia składowych przeciwnych",
      "Krotność przekroczenia zależności pomiędzy współczynnikiem niezrównoważenia składowej "
      "przeciwnej prądu i współczynnikiem niezrównoważenia składowej przeciwnej napięcia",
      Integer, 2, 2, 4}},
    {4,
     {166, "A-s I2 protec : Zezwolenie na przeprowadzenie analizy",
      "0- analiza wyłączona\r\n"
      "1- analiza włączona.",
      Integer, 1, 0, 1}},

    // Przeciążenie termiczne (model cieplny silnika)
    {5,
     {167, "Termal OL protec : Zezwolenie na pracę zabezpieczenia", kProtectionModeHelp, Integer, 2, 0, 2}},
    {5,
     {168,
      "Termal delay : Czas zadziałania zabezpieczenia w przypadku dwukrotnego przeciążenia prądowego [s]", "",
      Integer, 60, 10, 120}},
    {5,
     {169, "Termal C stop : Krotność zwiększenia czasu przy wyłączonym silniku",
      "Kompensacja zwiększenia czasu chłodzenia przy wyłączonym silniku", Tenths, 1.0f, 10, 40}},

    // Minimalny prąd fazowy
    {6,
     {170, "Imin tresh : Nastawa zadziałania [%]",
      "Próg zadziałania zabezpieczenia dla minimalnego prądu roboczego [% od prądu znamionowego]", Integer,
      20, 11, 90}},
    {6, {171, "Imin delay : Opóźnienie zadziałania zabezpieczenia [s]", "", Integer, 5, 1, 100}},
    {6, {172, "Imin protec : Zezwolenie na pracę zabezpieczenia", kProtectionModeHelp, Integer, 2, 0, 2}},

    // Wydłużony rozruch, zablokowanie wirnika
    {7,
     {173, "Start I coef : Nastawa zadziałania [krotność]",
      "Krotność zadawana w odniesieniu do prądu znamionowego", Tenths, 5.0f, 13, 70}},
    {7,
     {174, "Start I delay : Opóźnienie zadziałania zabezpieczenia w wyniku wydłużonego rozruchu [s]",
      "Czas rozruchu silnika [s]", Integer, 10, 1, 600}},
    {7,
     {175, "Block I delay : Opóźnienie zadziałania zabezpieczenia w wyniku zablokowania wirnika [s]", "",
      Tenths, 1.0f, 3, 3000}},
    {7, {176, "St/Block prot : Zezwolenie na pracę zabezpieczenia", kProtectionModeHelp, Integer, 1, 0, 2}},

    // Zabezpieczenie napięciowe
    {8, {177, "Umin tresh : Minimalne napięcie liniowe [V]", "", Integer, 320, 270, 415}},
    {8,
     {178, "Umin delay : Czas opóźnienia odłączenia w przypadku minimalnego napięcia [s]", "", Integer, 10, 5,
      30}},
    {8,
     {179, "Umin protec : Zezwolenie na pracę zabezpieczenia w razie minimalnego napięcia;",
      kProtectionModeHelp, Integer, 2, 0, 2}},
    {8, {180, "Umax tresh : Maksymalne napięcie liniowe [V]", "", Integer, 415, 330, 475}},
    {8,
     {181, "Umax delay : Czas opóźnienia odłączenia w przypadku maksymalnego napięcia liniowego [s]", "",
      Tenths, 2.0f, 3, 100}},
    {8,
     {182, "Umax protec : Zezwolenie na pracę zabezpieczenia w razie maksymalnego napięcia liniowego;",
      kProtectionModeHelp, Integer, 2, 0, 2}},
    {8, {183, "Uimbal tresh : Asymetria napięcia liniowego [V]", "", Integer, 35, 15, 120}},
    {8,
     {184, "Uimbal delay : Czas opóźnienia odłączenia w przypadku asymetrii napięcia liniowego [s]", "",
      Integer, 5, 1, 30}},
    {8,
     {185, "Uimbal protec : Zezwolenie na pracę zabezpieczenia w razie asymetrii napięcia liniowego",
      kProtectionModeHelp, Integer, 2, 0, 2}},
    {8,
     {186, "Correct phase : Zezwolenie na pracę zabezpieczenia w razie nieprawidłowej kolejności faz",
      kProtectionModeHelp, Integer, 1, 0, 2}},

    // Zanikiem fazy (faz) silnika z kontrolą prądu
    {9,
     {187, "Phase LossT : Opóźnienie zadziałania zabezpieczenia w wyniku zaniku fazy [s]", "", Tenths, 0.5f,
      3, 100}},
    {9, {188, "Phase Loss Prot : Zezwolenie na pracę zabezpieczenia", kProtectionModeHelp, Integer, 1, 0, 2}},

    // Zabezpieczenia częstotliwościowe
    {10,
     {189, "Frequency Min : Minimalna wartość częstotliwości napięcia [Hz]", "", Tenths, 49.7f, 350, 600}},
    {10,
     {190, "Freq Min delay : Czas opóźnienia odłączenia w przypadku minimalnej częstotliwości napięcia [s]",
      "", Integer, 10, 1, 300}},
    {10,
     {191,
      "Freq Min prot : Zezwolenie na pracę zabezpieczenia w przypadku minimalnej częstotliwości napięcia",
      kProtectionModeHelp, Integer, 0, 0, 2}},
    {10,
     {192, "Frequency Max : Maksymalna wartość częstotliwości napięcia [Hz]", "", Tenths, 51.0f, 500, 650}},
    {10,
     {193, "Freq Max delay : Czas opóźnienia odłączenia w przypadku maksymalnej częstotliwości napięcia [s]",
      "", Integer, 10, 1, 300}},
    {10,
     {194,
      "Freq Max prot : Zezwolenie na pracę zabezpieczenia w przypadku maksymalnej częstotliwości napięcia",
      kProtectionModeHelp, Integer, 0, 0, 2}},

    // Sterowanie silnika i SPZ
    {11,
     {195, "AR time Imin : Czas SPZ po zadziałaniu zabezpieczenia przed przekroczeniem minimalnego prądu [s]",
      "", Integer, 600, 1, 900}},
    {11, {196, "AR time : Czas SPZ [s]", "", Integer, 5, 1, 900}},
    {11,
     {197, "AR : Zakaz SPZ dla wszystkich awarii (oprócz awarii napięciowych)",
      "Działanie wartości parametru Arr obowiązuje dla wszystkich rodzajów awarii oprócz awarii "
      "napięciowych. Aby zakazać SPZ w przypadku awarii napięciowych, należy skorzystać z "
      "parametrów \"Umin protec\", \"Umax protec\", \"Uimbal protec\"\r\n"
      "0-zakaz SPZ;\r\n"
      "1-zezwolenie na SPZ.",
      Integer, 1, 0, 1}},
    {11,
     {198, "Start > Power : Zezwolenie na pracę silnika po podaniu na ZRQ napięcia zasilającego",
      "0 – ręczny rozruch silnika z panelu przedniego\r\n"
      "1-rozruch silnika po upływie czasu SPZ\r\n"
      "2-rozruch silnika po upływie 2 sekund",
      Integer, 1, 0, 2}},
    {11,
     {199, "Motor OP ZRQ : Sterowanie silnikiem z panelu przedniego",
      "0-zakaz;\r\n"
      "1-zezwolenie na rozruch silnika;\r\n"
      "2-zezwolenie na awaryjne zatrzymanie silnika;\r\n"
      "3-zezwolenie na rozruch i zatrzymanie silnika",
      Integer, 0, 0, 3}},
    {11,
     {200, "Motor OP RS-2/5 : Zdalne włączenie i wyłączenie silnika przez interfejs RS-232/RS-485",
      "0-zakaz zdalnego sterowania;\r\n"
      "1 - zezwolenie na zdalne sterowanie, zezwolenie na rozruch silnika po podaniu na ZRQ "
      "zasilania;\r\n"
      "2 - zezwolenie na zdalne sterowanie, zakaz rozruchu silnika po podaniu  na ZRQ zasilania do "
      "momentu wysłania polecenia zdalnego włączenia.",
      Integer, 0, 0, 2}},

    // Kontrola temperatury
    {12,
     {201, "Temp S1 Type : Zezwolenie na kontrolę temperatury i typ czujnika temperatury 1",
      "0 – wyłączona\r\n"
      "1-wbudowana w silnik (zabezpieczenie zadziała, gdy rezystancja czujnika przekroczy 1,7 kΩ)\r\n"
      "2–PTC (1 \u043AΩ przy 25°\u0421)",
      Integer, 0, 0, 2}},
    {12, {202, "Temp S1 Off M : Temperatura odłączenia silnika [°\u0421]", "", Integer, 80, 0, 100}},
    {12, {203, "Temp S1 Corr : Korekcja temperatury pierwszego czujnika", "", Integer, 0, -9, 9}},
    {12,
     {243, "Filter tempS1 : Współczynnik filtra czujnika 1",
      "Większe wartości zmniejszają czułość czujnika temperatury na zakłócenia, ale zwiększają "
      "czas reakcji.",
      Integer, 1, 1, 20}},
    {12,
     {204, "Temp S2 Type : Zezwolenie na kontrolę temperatury i typ czujnika temperatury 2",
      "0 – wyłączona\r\n"
      "1-Pt100\r\n"
      "2–Ni100\r\n"
      "3-Ni120",
      Integer, 0, 0, 3}},
    {12, {205, "Temp S2 Off M : Temperatura odłączenia silnika [°\u0421]", "", Integer, 180, 0, 220}},
    {12, {206, "Temp S2 Alarm : Temperatura ostrzeżenia [°\u0421]", "", Integer, 170, 0, 220}},
    {12, {207, "Temp S2 Corr : Korekcja temperatury drugiego czujnika", "", Integer, 0, -9, 9}},
    {12,
     {244, "Filter tempS2 : Współczynnik filtra czujnika 2",
      "Większe wartości zmniejszają czułość czujnika temperatury na zakłócenia, ale zwiększają "
      "czas reakcji.",
      Integer, 1, 1, 20}},
    {12,
     {208, "Temp AR : SPZ po zadziałaniu zabezpieczenia",
      "0-zakaz SPZ po zadziałaniu zabezpieczenia;\r\n"
      "1-zezwolenie na SPZ po zadziałaniu zabezpieczenia.",
      Integer, 1, 0, 1}},
    {12,
     {209, "Temp Sens Fault : Reakcja na uszkodzenie czujników temperatury",
      "0-ostrzeżenie i kontynuacja pracy;\r\n"
      "1-ostrzeżenie i zatrzymanie silnika.",
      Integer, 0, 0, 1}},

    // Rezystancja izolacji silnika
    {13,
     {210, "Insulation Mr : Zabezpieczenie przed przekroczeniem minimalnej rezystancji uzwojeń silnika",
      "0-odłączone\r\n"
      "1-silnik nie włącza się w przypadku rezystancji izolacji poniżej 500\u043A, zezwolenie na SPZ;\r\n"
      "2--silnik nie włącza się w przypadku rezystancji izolacji poniżej 1000\u043A, zezwolenie na "
      "SPZ;\r\n"
      "3-silnik nie włącza sięw przypadku rezystancji izolacji poniżej 500k, zakaz SPZ\r\n"
      "4-silnik nie włącza się w przypadku rezystancji izolacji poniżej 1000k, zakaz SPZ.",
      Integer, 1, 0, 4}},

    // Różne
    {14,
     {211, "Minimal set : Włączenie trybu minimalnej liczby parametrów programowalnych",
      "0-tryb odłączony;\r\n"
      "1-tryb włączony.",
      Integer, 1, 0, 1}},
    {14,
     {212, "Indicat < Start : Wartości wyświetlane na wyświetlaczu ZRQ przed włączeniem silnika",
      "0-napięcie liniowe U1,U2,U3\r\n"
      "1-czas pracy silnika, rezystancja izolacji i częstotliwość sieci.",
      Integer, 0, 0, 1}},
    {14,
     {213, "Indicat mode : Tryb wyświetlania parametru",
      "0-wartość parametru wyświetla się w sposób ciągły\r\n"
      "1-wartość parametru wyświetla się przez 15 s.",
      Integer, 0, 0, 1}},
    {14,
     {214, "Relay F mode : Tryb pracy przekaźnika funkcyjnego",
      "0-przekaźnik jest stosowany jako przekaźnik sygnalizacji\r\n"
      "1-przekaźnik jest stosowany jako przekaźnik czasowy (załącza się po upływie czasu "
      "określonego parametrem 'Relay F time' po włączeniu przekaźnika obciążenia)\r\n"
      "2-przekaźnik jest stosowany do przesilnika w układzie gwiazda-trójkąt (po upływie czasu "
      "'Relay F time' wyłącza się przekaźnik obciążenia, a po upływie czasu 'Relay F time' + "
      "'Delay RP RF' włącza się przekaźnik funkcyjny).",
      Integer, 0, 0, 2}},
    {14, {215, "Relay F time : Czas zegara [s]", "", Integer, 30, 0, 300}},
    {14,
     {216, "Delay RP RF : Układ gwiazda-trójkąt. Czas przełączenia [s]",
      "Czas pomiędzy wyłączeniem przekaźnika obciążenia a włączeniem przekaźnika funkcyjnego w "
      "układzie gwiazda-trójkąt.",
      Tenths, 0.4f, 1, 20}},
    {14, {217, "Time ZRQ-7 : Całkowity czas pracy urządzenia [h]", "", Integer, 0, 0, 23976}},
    {14, {218, "Time motor : Czas pracy silnika [h]", "", Integer, 0, 0, 23976}},
    {14,
     {219, "Users code : Kod dostępu użytkownika",
      "0 – odblokowana klawiatura\r\n"
      "1-9 – hasło użytkownika",
      Integer, 0, 0, 9}},
    {14,
     {220, "Password : Serwisowy kod dostępu",
      "000 – zezwolenie na dostęp z poziomu serwisowego\r\n"
      "000-999 – hasło serwisowe",
      Integer, 716, 0, 999}},
    {14,
     {221, "Default Factor : Przywrócenie parametrów fabrycznych",
      "Po zapisie 1 i wyjściu z trybu ustawienia parametrów fabryczne parametry zostaną "
      "przywrócone.",
      Integer, 0, 0, 1}},

    // Parametry interfejsu szeregowego (RS-485/ RS-232)
    {15, {222, "Address ZRQ-7 : Adres ZRQ", "", Integer, 1, 1, 247}},
    {15,
     {223, "Data speed : Prędkość transmisji",
      "0:  9600 Bd; 1: 19200 Bd;\r\n"
      "Zmiana parametru następuje po wyłączeniu i ponownym włączeniu zasilania lub wykonaniu "
      "polecenia \"RESTART ZRQ\".",
      Integer, 0, 0, 1}},
    {15,
     {224, "Loss connect : Reakcja przetwornika na brak komunikacji",
      "0-brak ostrzeżenia, kontynuacja pracy\r\n"
      "1-ostrzeżenie i kontynuacja pracy\r\n"
      "2-ostrzeżenie i zatrzymanie silnika, zezwolenie na SPZ po przywróceniu komunikacji\r\n"
      "3-ostrzeżenie i zatrzymanie silnika, zakaz SPZ po przywróceniu komunikacji",
      Integer, 0, 0, 3}},
    {15,
     {225, "Overexceeding : Wykrycie przekroczenia czasu oczekiwania na odpowiedź [s]", "0-zakaz", Integer, 0,
      0, 120}},
    {15,
     {226, "Communication : Zezwolenie na komunikację ZRQ poprzez kanał szeregowy",
      "0-zakaz komunikacji\r\n"
      "1-komunikacja poprzez RS-232;\r\n"
      "2-komunikacja poprzez RS-485.",
      Integer, 0, 0, 2}},
    {15,
     {227, "ASCII - RTU : Protokół komunikacji",
      "0-ASCII;\r\n"
      "1-RTU;\r\n"
      "Zmiana parametru następuje po wyłączeniu i ponownym włączeniu zasilania lub wykonaniu "
      "polecenia \"RESTART ZRQ\".",
      Integer, 1, 0, 1}},
    {15,
     {228, "Event parity : Kontrola parzystości",
      "0-Kontrola parzystości odłączona;\r\n"
      "1-Kontrola parzystości włączona;\r\n"
      "Zmiana parametru następuje po wyłączeniu i ponownym włączeniu zasilania lub wykonaniu "
      "polecenia \"RESTART ZRQ\".",
      Integer, 0, 0, 1}},
    {15,
     {229, "Stop bit : Liczba bitów stopu",
      "Zmiana parametru następuje po wyłączeniu i ponownym włączeniu zasilania lub wykonaniu "
      "polecenia \"RESTART ZRQ\".",
      Integer, 2, 1, 2}},
    {15,
     {230, "Version : Wersja mikroprogramu ZRQ-7/8", "", Integer, kVersionPlaceholder, kVersionPlaceholder,
      kVersionPlaceholder}},
    {15,
     {231, "Indicator L : Podświetlenie wyświetlacza",
      "0-podświetlenie wyłączone;\r\n"
      "1-podświetlenie włącza się na 15 sekund po naciśnięciu dowolnego przycisku;\r\n"
      "2-podświetlenie włączone w sposób ciągły.    ",
      Integer, 1, 0, 2}},
    {15,
     {232, "Correct Time : Korekcja zegara [s]",
      "Korekcja pracy zegara czasu rzeczywistego. Kompensacja czasu za dobę", Tenths, 0.0f, -100, 100}},

    // Sterowanie za pomocą wejścia analogowego 0-20 mA
    {16, {233, "Input I UP : Próg górny [m\u0410]", "", Tenths, 10.0f, 0, 200}},
    {16, {234, "Input I DOWN : Próg dolny [m\u0410]", "", Tenths, 1.0f, 0, 200}},
    {16,
     {235, "Input I ALG : Algorytm sterowania",
      "0 – sterowanie odłączone;\r\n"
      "1 – silnik wyłącza się, gdy prąd przekracza próg górny, i włącza się, gdy prąd przekracza "
      "próg dolny;\r\n"
      "2 – silnik włącza się, gdy prąd przekracza próg górny, i wyłącza się, gdy prąd przekracza "
      "próg dolny.",
      Integer, 0, 0, 2}},
    {16,
     {236, "Input I log : Zapisywanie do dziennika awarii",
      "0 – odłączenie silnika jest uznane za awarię, lecz nie jest zapisane w dzienniku awarii;\r\n"
      "1 – odłączenie silnika jest uznane za awarię oraz jest zapisane w dzienniku awarii.",
      Integer, 0, 0, 1}},

    // Sterowanie za pomocą wejścia analogowego 0-10 V
    {17, {237, "Input U UP : Próg górny [V]", "", Tenths, 5.0f, 0, 100}},
    {17, {238, "Input U DOWN : Próg dolny [V]", "", Tenths, 1.0f, 0, 100}},
    {17,
     {239, "Input U ALG : Algorytm sterowania",
      "0 – sterowanie odłączone;\r\n"
      "1 – silnik wyłącza się, gdy napięcie przekracza próg górny, i włącza się, gdy napięcie "
      "przekracza próg dolny;\r\n"
      "2 – silnik włącza się, gdy napięcie przekracza próg górny,i wyłącza się, gdy napięcie "
      "przekracza próg dolny.",
      Integer, 0, 0, 2}},
    {17,
     {240, "Input U log : Zapisywanie do dziennika awarii",
      "0 – odłączenie silnika jest uznane za awarię, lecz nie jest zapisane w dzienniku awarii;\r\n"
      "1 – odłączenie silnika jest uznane za awarię oraz jest zapisane w dzienniku awarii.",
      Integer, 0, 0, 1}},

    // Kontrola sprawności zewnętrznego stycznika
    {18,
     {241, "Cont Cont : Kontrola sprawności zewnętrznego stycznika",
      "0- kontrola wyłączona\r\n"
      "1- kontrola włączona.",
      Integer, 1, 0, 1}},

    // Kasowanie liczników energii
    {19,
     {242, "Energy RESET : Kasowanie liczników energii",
      "0- nie wykonuj kasowania\r\n"
      "1- wykonaj kasowanie.",
      Integer, 0, 0, 1}},
};

// float -> int32 truncating toward zero. A value outside int32 (only possible from a
// damaged file or a hand-made call) saturates instead of being undefined; NaN gives 0.
std::int32_t truncateToInt32(float value)
{
    if (std::isnan(value))
        return 0;
    if (value >= 2147483648.0f)
        return std::numeric_limits<std::int32_t>::max();
    if (value < -2147483648.0f)
        return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(value);
}

} // namespace

std::vector<ParameterGroup> BuildParameterTable(int firmwareVersion)
{
    std::vector<ParameterGroup> groups;
    groups.reserve(std::size(kGroupTitles));
    for (std::size_t i = 0; i < std::size(kGroupTitles); ++i)
        groups.push_back({kGroupTitles[i], i == 0, {}});

    for (const TableRow& row : kRows) {
        DeviceParameter parameter = row.parameter;
        if ((parameter.address == kFilterTempS1 || parameter.address == kFilterTempS2) &&
            firmwareVersion != kFilterCoefficientsVersion)
            continue;
        if (parameter.address == kVersionRegister) {
            parameter.factoryValue = static_cast<float>(firmwareVersion);
            parameter.minimum = firmwareVersion;
            parameter.maximum = firmwareVersion;
        }
        groups[row.group].rows.push_back(parameter);
    }
    return groups;
}

std::vector<DeviceParameter> ParameterRows(int firmwareVersion)
{
    std::vector<DeviceParameter> rows;
    for (const ParameterGroup& group : BuildParameterTable(firmwareVersion))
        rows.insert(rows.end(), group.rows.begin(), group.rows.end());
    return rows;
}

std::optional<DeviceParameter> FindParameter(int firmwareVersion, std::uint16_t address)
{
    for (const DeviceParameter& row : ParameterRows(firmwareVersion))
        if (row.address == address)
            return row;
    return std::nullopt;
}

std::int32_t RegisterFromValue(ParameterKind kind, float value)
{
    if (kind == ParameterKind::Integer)
        return truncateToInt32(value);
    // Single precision throughout: the 10001 factor lifts values such as 49.7f
    // (stored as 49.69999...) over the next tenth before the cut.
    const float scaled = value * 10001.0f;
    return truncateToInt32(scaled) / 1000;
}

std::int32_t FactoryRegisterValue(const DeviceParameter& parameter)
{
    return RegisterFromValue(parameter.kind, parameter.factoryValue);
}

float ValueFromRegister(ParameterKind kind, std::int16_t reg)
{
    const float value = static_cast<float>(reg);
    return kind == ParameterKind::Tenths ? value / 10.0f : value;
}

} // namespace zrq7::params
