#!/usr/bin/env python3
"""The client's page of a proposal sending, in headless Chromium, as a client uses it.

Run by tests/e2e/test_client_page_browser.cpp with the link the mail carried:
  client_page_browser.py --link URL --total "R$ 18.671,50" --shots FOLDER --nome NAME --cargo ROLE
                         [--expired-link URL --expired-date dd/mm/aaaa]
Reads the proposal at desktop size (its grand total, the texts shown as text and run as
nothing), takes a picture at desktop and at phone size (no horizontal scroll on the phone;
the phone's picture after an acceptance posted without its tick, the message in view),
accepts the proposal, then checks the link shows the decision without forms and a second
decision is refused. Prints every check that failed; exit code 0 only when none did.
"""
import argparse
import html
import os
import sys
import urllib.error
import urllib.parse
import urllib.request

from selenium import webdriver
from selenium.common.exceptions import NoSuchElementException, TimeoutException, WebDriverException
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By
from selenium.webdriver.support import expected_conditions
from selenium.webdriver.support.ui import WebDriverWait

CHROMIUM = "/usr/bin/chromium"
CHROMEDRIVER = "/usr/bin/chromedriver"

ACCEPTED = "Obrigado! A aceitação da proposta foi registrada."
ALREADY_DECIDED = "A decisão sobre esta proposta já foi registrada."

failures = []


def check(condition, what):
    if condition:
        print("ok: " + what)
    else:
        print("FALHOU: " + what)
        failures.append(what)
    return condition


def plain(text):
    """Text as read on the screen: non-breaking spaces as spaces, runs of blanks as one."""
    return " ".join((text or "").replace("\u00a0", " ").split())


def fetch(url, data=None):
    """(status, headers, body text) of a GET, or of a form POST when data is given."""
    body = urllib.parse.urlencode(data).encode() if data is not None else None
    request = urllib.request.Request(url, data=body)
    try:
        with urllib.request.urlopen(request, timeout=30) as reply:
            return reply.status, reply.headers, reply.read()
    except urllib.error.HTTPError as error:
        return error.code, error.headers, error.read()


def page_text(raw):
    return plain(html.unescape(raw.decode("utf-8", "replace")))


def browser():
    options = webdriver.ChromeOptions()
    for argument in ("--headless=new", "--no-sandbox", "--disable-dev-shm-usage", "--disable-gpu",
                     "--lang=pt-BR", "--window-size=1280,900"):
        options.add_argument(argument)
    options.binary_location = CHROMIUM
    return webdriver.Chrome(service=Service(CHROMEDRIVER), options=options)


def element_text(driver, css):
    try:
        return plain(driver.find_element(By.CSS_SELECTOR, css).text)
    except NoSuchElementException:
        return None


def screen(driver, width, height, phone):
    """The page's viewport exactly this size (the window's own frame left out)."""
    driver.execute_cdp_cmd("Emulation.setDeviceMetricsOverride",
                           {"width": width, "height": height, "deviceScaleFactor": 1, "mobile": phone})


def read_the_proposal(driver, args):
    screen(driver, 1280, 900, False)
    driver.get(args.link)
    total = element_text(driver, "#total-geral")
    check(total == plain(args.total), "#total-geral = %r (lido %r)" % (args.total, total))
    check(driver.title != "pwned", "o título da página não foi trocado por um texto da proposta")
    check(driver.execute_script("return typeof window.pwned") == "undefined",
          "window.pwned não existe: nenhum texto da proposta rodou")
    check(driver.execute_script("return document.scripts.length") == 0, "a página não tem elemento <script>")
    body = plain(driver.find_element(By.TAG_NAME, "body").text)
    check("<script>" in body, "o texto \"<script>\" digitado na proposta aparece como texto")
    check(driver.execute_script("return document.documentElement.lang") == "pt-BR", "lang=\"pt-BR\"")

    status, headers, raw = fetch(args.link)
    check(status == 200, "GET do link: 200 (recebido %d)" % status)
    policy = headers.get("Content-Security-Policy") or ""
    check("default-src 'none'" in policy and "frame-ancestors 'none'" in policy,
          "Content-Security-Policy restritiva (recebida %r)" % policy)

    try:
        pdf_link = driver.find_element(By.ID, "baixar-pdf").get_attribute("href")
        status, headers, raw = fetch(pdf_link)
        check(status == 200 and raw.startswith(b"%PDF-"), "\"Baixar PDF\" traz o PDF enviado")
        check("attachment" in (headers.get("Content-Disposition") or ""), "o PDF vem como anexo")
    except NoSuchElementException:
        check(False, "a página tem o link \"Baixar PDF\" (#baixar-pdf)")

    driver.save_screenshot(os.path.join(args.shots, "client_page_desktop.png"))


def post_with(driver, button_id):
    """Taps the button and waits for the page that answers, with its message."""
    button = driver.find_element(By.ID, button_id)
    driver.execute_script("arguments[0].scrollIntoView({block: 'center'})", button)
    button.click()
    # The answer is a new page: the old one goes first, then its message is read. While the
    # document is being replaced, Chrome may answer a look at the old button with an error of
    # its own instead of "stale": the old page is gone either way.
    try:
        WebDriverWait(driver, 20, ignored_exceptions=[WebDriverException]).until(
            expected_conditions.staleness_of(button))
        WebDriverWait(driver, 20).until(expected_conditions.presence_of_element_located((By.ID, "mensagem")))
    except TimeoutException:
        pass


def on_a_phone(driver, args):
    screen(driver, 390, 844, True)  # a phone's screen: the viewport meta is honoured
    driver.get(args.link)
    # A phone widens its layout to fit content that does not fit (a long word, a wide
    # table), so the window must also have stayed the phone's width.
    widths = driver.execute_script(
        "return [document.documentElement.scrollWidth, window.innerWidth]")
    check(widths[0] <= widths[1] and widths[1] <= 390,
          "sem rolagem horizontal no celular (largura do conteúdo %d, janela %d, tela 390)" % tuple(widths))
    # A browser that does not check the form itself posts it without the tick: the answer
    # opens at that form, its message in view at the top of it.
    driver.find_element(By.ID, "nome").send_keys(args.nome)
    driver.execute_script("document.getElementById('form-aceite').noValidate = true")
    post_with(driver, "btn-aceitar")
    place = driver.execute_script("""
        const m = document.getElementById('mensagem');
        const form = document.getElementById('form-aceite');
        if (!m || !form) return null;
        const r = m.getBoundingClientRect();
        return [location.hash, form.contains(m), r.top, r.bottom, window.innerHeight];""")
    check(place is not None and place[0] == "#form-aceite" and place[1],
          "a resposta abre no formulário de aceite com o aviso dentro dele (%r)" % (place,))
    check(place is not None and 0 <= place[2] and place[3] <= place[4],
          "o aviso está à vista no celular (%r)" % (place,))
    driver.save_screenshot(os.path.join(args.shots, "client_page_phone.png"))


def accept(driver, args):
    """Accepts through the form; gives the form's fields as posted, for a second POST."""
    driver.find_element(By.ID, "nome").send_keys(args.nome)
    driver.find_element(By.ID, "cargo").send_keys(args.cargo)
    box = driver.find_element(By.ID, "li")
    driver.execute_script("arguments[0].scrollIntoView({block: 'center'})", box)
    if not box.is_selected():
        box.click()
    fields = driver.execute_script("""
        const form = document.getElementById('form-aceite');
        return [form.getAttribute('action') || '',
                Array.from(new FormData(form).entries())];""")
    post_with(driver, "btn-aceitar")
    message = element_text(driver, "#mensagem")
    check(message == ACCEPTED, "#mensagem após aceitar = %r (lido %r)" % (ACCEPTED, message))
    action = urllib.parse.urljoin(args.link, fields[0]) if fields[0] else args.link
    return action, [tuple(pair) for pair in fields[1]]


def after_the_decision(driver, args, action, fields):
    driver.get(args.link)
    body = plain(driver.find_element(By.TAG_NAME, "body").text)
    check("Proposta aceita em " in body and ("por %s." % args.nome) in body,
          "o link mostra \"Proposta aceita em ... por %s.\"" % args.nome)
    forms = driver.find_elements(By.CSS_SELECTOR, "#form-aceite, #form-recusa, form")
    check(not forms, "nenhum formulário depois da decisão")

    check(dict(fields).get("li") == "sim" and dict(fields).get("nome") == args.nome,
          "o formulário enviado levava nome e \"li\"")
    status, _, raw = fetch(action, fields)
    text = page_text(raw)
    check(status == 409 and ALREADY_DECIDED in text,
          "segundo POST: 409 %r (recebido %d: %r)" % (ALREADY_DECIDED, status, text[-200:]))


def expired(args):
    status, _, raw = fetch(args.expired_link)
    expected = "Este link expirou em %s." % args.expired_date
    text = page_text(raw)
    check(status == 410 and expected in text, "link vencido: 410 %r (recebido %d: %r)" % (expected, status, text[-200:]))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--link", required=True)
    parser.add_argument("--total", required=True)
    parser.add_argument("--shots", required=True)
    parser.add_argument("--nome", required=True)
    parser.add_argument("--cargo", required=True)
    parser.add_argument("--expired-link")
    parser.add_argument("--expired-date")
    args = parser.parse_args()
    os.makedirs(args.shots, exist_ok=True)

    driver = browser()
    try:
        print("navegador: " + driver.execute_script("return navigator.userAgent"))
        read_the_proposal(driver, args)
        on_a_phone(driver, args)
        screen(driver, 1280, 900, False)
        driver.get(args.link)
        action, fields = accept(driver, args)
        after_the_decision(driver, args, action, fields)
    except Exception as error:  # a missing element or a dead browser is a failure like any other
        check(False, "%s: %s" % (type(error).__name__, str(error).splitlines()[0] if str(error) else ""))
    finally:
        driver.quit()
    if args.expired_link:
        expired(args)

    if failures:
        print("%d verificação(ões) falharam" % len(failures))
        return 1
    print("tudo confere")
    return 0


if __name__ == "__main__":
    sys.exit(main())
