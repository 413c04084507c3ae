#pragma once

#include <string>

namespace trv::test {

// Struct.txt of the shell tests' small game disc. Screen 2 (index 1)
// registers the player; screen 5 (index 4) is the game with its ten fields,
// the answer box, six lamps of each countdown and the three game buttons
// ("getmoney" at 100,0; "additionaltime" has a fifth picture, o.bmp).
inline std::string GameScript() {
  const std::string pics = "fn1=n.bmp;fn2=h.bmp;fn3=p.bmp;fn4=i.bmp";
  std::string s =
      "title=тестовая игра\n"
      "_screen1 back1.bmp\n_screen2 back1.bmp\n_screen3 back1.bmp\n_screen4 back1.bmp\n_screen5 wide.bmp\n";
  s += "button2;vx=0;vy=0;name=gotonextscreen\n" + pics + ";wav=no;hint=;go=startgame\n";
  s += "_path2 vx=40;vy=90;vw=140;vh=110\n"
       "pathdef=nodefvalue;hint=;textfontname=arial;textfontstyle=bold;textfontcolor=0,0,0\nbgcolor=255,255,255\n";
  s += "button5;vx=0;vy=0;name=validateanswer\n" + pics + ";wav=no;hint=;go=validateanswer\n";
  s += "button5;vx=50;vy=0;name=additionaltime\n" + pics + ";fn5=o.bmp;wav=no;hint=;go=additionaltime\n";
  s += "button5;vx=100;vy=0\n" + pics + ";wav=no;hint=;go=getmoney\n";
  for (int i = 0; i < 6; ++i)
    s += "button5;vx=" + std::to_string(i * 45) + ";vy=260;name=timer" + std::to_string(i + 1) + "\n" + pics +
         ";wav=no;hint=;go=no\n";
  for (int i = 0; i < 6; ++i)
    s += "button5;vx=" + std::to_string(i * 45) + ";vy=280;name=t_imer" + std::to_string(i + 1) + "\n" + pics +
         ";wav=no;hint=;go=no\n";
  s += "_path5 vx=10;vy=200;vw=290;vh=220\n"
       "pathdef=nodefvalue;hint=;textfontname=arial;textfontstyle=bold;textfontcolor=0,0,0\nbgcolor=255,255,255\n";
  const int rows[10][4] = {{10, 30, 290, 90},   {10, 95, 290, 110},  {10, 120, 40, 135},  {50, 120, 90, 135},
                           {100, 120, 150, 135}, {160, 120, 190, 135}, {10, 225, 290, 240}, {200, 120, 230, 135},
                           {240, 120, 270, 135}, {10, 140, 40, 155}};
  for (int i = 0; i < 10; ++i)
    s += "_text 5 vx=" + std::to_string(rows[i][0]) + ";vy=" + std::to_string(rows[i][1]) +
         ";vw=" + std::to_string(rows[i][2]) + ";vh=" + std::to_string(rows[i][3]) +
         "\nfont=Arial;size=10;style=plain;color=255,255,255;hltextcl=255,0,0\nvalue=;ident=f;number=" +
         std::to_string(555 + i) + "\n";
  return s;
}

}  // namespace trv::test
